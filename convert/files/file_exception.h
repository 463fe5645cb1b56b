#pragma once

#include <stdexcept>
#include <string>

namespace sonaro {

// A failed file operation. The cause is what the error messages are chosen by; the values are
// those that stored files and message tables of the program rely on.
class FileException : public std::runtime_error {
  public:
    enum Cause : int {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
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
