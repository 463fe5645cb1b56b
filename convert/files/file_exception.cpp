#include "convert/files/file_exception.h"

#include <cerrno>
#include <cstring>

namespace sonaro {

FileException::FileException(Cause cause, int osError, std::string path)
    : std::runtime_error(path + ": " + (osError != 0 ? std::strerror(osError) : "file error")),
      cause_(cause),
      osError_(osError),
      path_(std::move(path)) {}

FileException::Cause FileException::CauseFromErrno(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return diskFull;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return accessDenied;
        case ENOENT:
            return fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return badPath;
        case EIO:
            return hardIO;
        case EMFILE:
        case ENFILE:
            return tooManyOpenFiles;
        default:
            return generic;
    }
}

}  // namespace sonaro
