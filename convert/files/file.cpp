#include "convert/files/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace sonaro {
namespace {

File::FaultHook faultHook = nullptr;

}  // namespace

void File::SetFaultHook(FaultHook hook) {
    faultHook = hook;
}

void File::InjectFault(FileOperation operation, const std::string& path) {
    if (faultHook != nullptr) {
        if (const int error = faultHook(operation, path); error > 0) {
            throw FileException(FileException::CauseFromErrno(error), error, path);
        } else if (error < 0) {
            throw std::logic_error("a fault injected into the program at " + path);
        }
    }
}

File::~File() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

void File::Fail(int error) const {
    throw FileException(FileException::CauseFromErrno(error), error, path_);
}

// Opens for reading without blocking (a FIFO without a writer must not hang the program), then
// turns blocking back on; a FIFO opened as a stream waits for its reader, as with any tool. A
// directory is refused as the platform refuses it elsewhere.
int File::OpenDescriptor(const std::string& path, Mode mode) {
    const int flags = mode == Mode::Read        ? (O_RDONLY | O_NONBLOCK)
                      : mode == Mode::Write     ? (O_WRONLY | O_CREAT | O_TRUNC)
                      : mode == Mode::CreateNew ? (O_WRONLY | O_CREAT | O_EXCL)
                                                : O_WRONLY;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    if (mode == Mode::Read) {
        const int fileFlags = ::fcntl(fd, F_GETFL);
        ::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK);
    }
    return fd;
}

bool File::TryOpen(const std::string& path, Mode mode) {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    path_ = path;
    try {
        InjectFault(FileOperation::Open, path);
    } catch (const FileException& injected) {
        errno = injected.osError();
        return false;
    }
    fd_ = OpenDescriptor(path, mode);
    return fd_ >= 0;
}

void File::OpenStandardOutput() {
    File output;
    output.path_ = std::string(kStandardStream);
    InjectFault(FileOperation::Open, output.path_);
    output.fd_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (output.fd_ < 0) {
        output.Fail(errno);
    }
    *this = std::move(output);
}

void File::Open(const std::string& path, Mode mode) {
    if (!TryOpen(path, mode)) {
        Fail(errno);
    }
}

template <typename Call>
std::size_t File::Transfer(std::size_t count, Call call) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t moved = call(done);
        if (moved < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail(fd_ < 0 ? EBADF : errno);
        }
        if (moved == 0) {
            break;
        }
        done += static_cast<std::size_t>(moved);
    }
    return done;
}

std::size_t File::Read(void* buffer, std::size_t count) {
    InjectFault(FileOperation::Read, path_);
    auto* bytes = static_cast<unsigned char*>(buffer);
    return Transfer(count,
                    [&](std::size_t done) { return ::read(fd_, bytes + done, count - done); });
}

std::size_t File::ReadAt(std::uint64_t position, void* buffer, std::size_t count) {
    InjectFault(FileOperation::Read, path_);
    auto* bytes = static_cast<unsigned char*>(buffer);
    return Transfer(count, [&](std::size_t done) {
        return ::pread(fd_, bytes + done, count - done, static_cast<off_t>(position + done));
    });
}

// A write that takes nothing (a device that is full, say) is a failure, not an end.
void File::Write(const void* buffer, std::size_t count) {
    InjectFault(FileOperation::Write, path_);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const std::size_t done = Transfer(
        count, [&](std::size_t written) { return ::write(fd_, bytes + written, count - written); });
    if (done < count) {
        Fail(EIO);
    }
}

std::uint64_t File::Seek(std::int64_t offset, SeekFrom from) {
    InjectFault(FileOperation::Seek, path_);
    const int whence = from == SeekFrom::Begin     ? SEEK_SET
                       : from == SeekFrom::Current ? SEEK_CUR
                                                   : SEEK_END;
    const off_t position = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (position < 0) {
        if (errno == EINVAL) {
            throw FileException(FileException::badSeek, errno, path_);
        }
        Fail(fd_ < 0 ? EBADF : errno);
    }
    return static_cast<std::uint64_t>(position);
}

std::uint64_t File::GetPosition() const {
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    if (position < 0) {
        Fail(errno);
    }
    return static_cast<std::uint64_t>(position);
}

std::uint64_t File::GetLength() const {
    InjectFault(FileOperation::Length, path_);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        Fail(errno);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

void File::Sync() {
    InjectFault(FileOperation::Sync, path_);
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
        Fail(errno);
    }
}

void File::Close() {
    if (fd_ < 0) {
        return;
    }
    const int fd = std::exchange(fd_, -1);
    try {
        InjectFault(FileOperation::Close, path_);
    } catch (const FileException&) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0 && errno != EINTR) {
        Fail(errno);
    }
}

void File::Remove(const std::string& path) {
    InjectFault(FileOperation::Remove, path);
    if (::unlink(path.c_str()) != 0) {
        const int error = errno;
        throw FileException(FileException::CauseFromErrno(error), error, path);
    }
}

void File::RemoveIfPresent(const std::string& path) {
    File file;
    if (!file.TryOpen(path, Mode::Read)) {
        return;
    }
    file = File();
    try {
        Remove(path);
    } catch (const FileException&) {
    }
}

void File::Rename(const std::string& from, const std::string& to) {
    InjectFault(FileOperation::Rename, to);
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        throw FileException(FileException::CauseFromErrno(error), error, to);
    }
}

}  // namespace sonaro
