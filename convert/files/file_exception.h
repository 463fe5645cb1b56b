#pragma once

#include <stdexcept>
#include <string>

namespace sonaro {

// A failed file operation. The cause is what the error messages are chosen by; the values are
// those that stored files and message tables of the program rely on.
class FileException : public std::runtime_error {
  public:
    enum Cause : int {
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        badSeek = 9,
        hardIO = 10,
        diskFull = 13,
    };

    FileException(Cause cause, int osError, std::string path);

    Cause cause() const { return cause_; }
    int osError() const { return osError_; }
    const std::string& path() const { return path_; }

    // The cause that an operating-system error number stands for.
    static Cause CauseFromErrno(int error);

  private:
    Cause cause_;
    int osError_;
    std::string path_;
};

}  // namespace sonaro
