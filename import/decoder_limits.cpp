#include "import/decoder_limits.h"

#include <unistd.h>

namespace sonaro {

std::vector<std::string> DecoderLimits::Arguments(const char* mode,
                                                  std::uint64_t inputBytes) const {
    return {mode, "--parent=" + std::to_string(::getpid()),
            "--cpu=" + std::to_string(ProcessorTime(inputBytes).count()),
            "--memory=" + std::to_string(memoryMiB)};
}

}  // namespace sonaro
