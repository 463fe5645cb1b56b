#pragma once

#include <filesystem>
#include <string>

namespace sonaro {

// The directories of an installed Sonaro, found from the directory its programs lie in. An
// install keeps the shape CMake gave it (bin, lib, libexec, share below one prefix), so the same
// relative paths hold for any prefix, a package, or a tree moved elsewhere.
class InstallPaths {
  public:
    explicit InstallPaths(std::filesystem::path programDirectory);
    // For the running program, wherever it was started from (symbolic links followed).
    static InstallPaths OfThisProgram();

    // <libdir>/sonaro/codecs: the codec drivers.
    std::string CodecDirectory() const;
    // <datadir>/sonaro/help: the help pages.
    std::string HelpDirectory() const;
    // <libexecdir>/sonaro/sonaro-decoder: the decoder program that the import starts.
    std::string DecoderProgram() const;

  private:
    std::string Below(const char* relative) const;

    std::filesystem::path programDirectory_;
};

}  // namespace sonaro
