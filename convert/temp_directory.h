#pragma once

#include <string>

namespace sonaro {

// The program's private directory for the intermediate files of a conversion, made with mkdtemp
// under $TMPDIR (else /tmp) when first needed, and removed with everything in it when the object
// goes. The process's current directory is never changed.
class TempDirectory {
  public:
    TempDirectory() = default;
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    // The directory, created on the first call; throws FileException when it cannot be made.
    const std::string& Path();
    // The full path of a file of that name inside the directory.
    std::string FilePath(const std::string& name) { return Path() + "/" + name; }

  private:
    std::string path_;
};

}  // namespace sonaro
