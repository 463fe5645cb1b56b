#include "convert/stages/stage_runner.h"

#include <cstring>

namespace sonaro {

void ReadOrFill(File& file, void* buffer, std::size_t size, std::uint8_t fill) {
    const std::size_t got = file.Read(buffer, size);
    if (got < size) {
        std::memset(static_cast<std::uint8_t*>(buffer) + got, fill, size - got);
    }
}

void FinishAndRemoveInput(File& input, const std::string& inputPath, File& output) {
    input.Close();
    File::Remove(inputPath);
    output.Close();
}

}  // namespace sonaro
