#include "convert/files/file_copy.h"

#include <algorithm>
#include <new>
#include <vector>

#include "convert/files/file.h"
#include "convert/files/output_file.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

constexpr std::uint64_t kBlockSize = 8000;

}  // namespace

std::optional<Failure> CopyFileInBlocks(const std::string& destination, const std::string& source) {
    File input;
    if (!input.TryOpen(source, File::Mode::Read)) {
        return Failure::Of(IDS_TEMP_FILE_REMOVED, destination);
    }
    try {
        OutputFile output(destination);
        const std::uint64_t length = input.GetLength();
        std::vector<char> buffer;
        try {
            buffer.resize(static_cast<std::size_t>(std::min(length, kBlockSize)));
        } catch (const std::bad_alloc&) {
            return Failure::Of(IDS_MEMORY_ALLOCATION, destination);
        }
        for (std::uint64_t remaining = length; remaining > 0;) {
            const auto wanted = static_cast<std::size_t>(std::min(remaining, kBlockSize));
            const std::size_t got = input.Read(buffer.data(), wanted);
            output.Write(buffer.data(), got);
            if (got < wanted) {
                break;  // the file became shorter meanwhile: copy what it holds
            }
            remaining -= got;
        }
        output.Commit();
        return std::nullopt;
    } catch (const FileException& error) {
        return Failure::FromFile(error);
    }
}

}  // namespace sonaro
