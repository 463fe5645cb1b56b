#include "convert/files/install_paths.h"

#include <system_error>
#include <utility>

// The paths from the install's bin directory, worked out by CMake when it was configured.
#if !defined(SONARO_BIN_TO_CODECS) || !defined(SONARO_BIN_TO_HELP) || \
    !defined(SONARO_BIN_TO_DECODER)
#error "SONARO_BIN_TO_CODECS, _HELP and _DECODER must give the paths from the bin directory"
#endif

namespace sonaro {

InstallPaths::InstallPaths(std::filesystem::path programDirectory)
    : programDirectory_(std::move(programDirectory)) {}

InstallPaths InstallPaths::OfThisProgram() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return InstallPaths(error ? std::filesystem::path() : program.parent_path());
}

std::string InstallPaths::CodecDirectory() const {
    return Below(SONARO_BIN_TO_CODECS);
}

std::string InstallPaths::HelpDirectory() const {
    return Below(SONARO_BIN_TO_HELP);
}

std::string InstallPaths::DecoderProgram() const {
    return Below(SONARO_BIN_TO_DECODER);
}

// Without a program directory the answer is empty, a directory that never exists.
std::string InstallPaths::Below(const char* relative) const {
    if (programDirectory_.empty()) {
        return {};
    }
    return (programDirectory_ / relative).lexically_normal().string();
}

}  // namespace sonaro
