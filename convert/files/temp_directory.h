#pragma once

#include <string>

namespace sonaro {

// The program's private directory for the intermediate files of a conversion, made with mkdtemp
// under $TMPDIR (else /tmp) when first needed, and removed with everything in it when the object
// goes. Its name carries the owner's process id ("sonaro-PID-XXXXXX"), so that a directory left
// by a killed run can be recognised and removed by a later one. The process's current directory is
// never changed.
class TempDirectory {
  public:
    TempDirectory() = default;
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    // The directory, created on the first call and again when it has gone; throws FileException
    // when it cannot be made.
    const std::string& Path();
    // The full path of a file of that name inside the directory.
    std::string FilePath(const std::string& name) { return Path() + "/" + name; }

    // Removes the directories that runs of this user left behind when they were killed: those whose
    // owning process no longer exists. Answers how many were removed.
    static int RemoveStale();

  private:
    static std::string BaseDirectory();

    std::string path_;
};

}  // namespace sonaro
