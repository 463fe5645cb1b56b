#include "import/decoder_limits.h"

namespace sonaro {

std::vector<std::string> DecoderLimits::Job(const char* mode, std::uint64_t inputBytes) const {
    return {mode, "--cpu=" + std::to_string(ProcessorTime(inputBytes).count()),
            "--memory=" + std::to_string(memoryMiB)};
}

}  // namespace sonaro
