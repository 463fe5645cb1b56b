#include "import/stream_spool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "convert/files/file.h"

namespace sonaro {
namespace {

[[noreturn]] void Fail(int error, const std::string& path) {
    throw FileException(FileException::CauseFromErrno(error), error, path);
}

// A file system without unnamed files gets a named one, removed at once.
int OpenUnnamed(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
        return fd;
    }
    std::string name = directory + "/spool-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0) {
        ::unlink(name.c_str());
    }
    return named;
}

}  // namespace

StreamSpool::StreamSpool(const std::string& directory)
    : directory_(directory), fd_(OpenUnnamed(directory)) {
    if (fd_ < 0) {
        Fail(errno, directory_);
    }
}

StreamSpool::~StreamSpool() {
    ::close(fd_);
}

bool StreamSpool::IsStream(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

// A stream has no length to measure by: the bar stays at 0 while it is copied.
bool StreamSpool::Fill(const std::string& stream, ProgressReporter& reporter) {
    File input(stream, File::Mode::Read);
    std::vector<unsigned char> block(1 << 16);
    while (const std::size_t count = input.Read(block.data(), block.size())) {
        Write(block.data(), count);
        if (reporter.Report(0)) {
            return false;
        }
    }
    if (::lseek(fd_, 0, SEEK_SET) != 0) {
        Fail(errno, directory_);
    }
    return true;
}

void StreamSpool::Write(const void* bytes, std::size_t size) {
    const auto* from = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        const ssize_t written = ::write(fd_, from, size);
        if (written < 0 && errno != EINTR) {
            Fail(errno, directory_);
        }
        if (written > 0) {
            from += written;
            size -= static_cast<std::size_t>(written);
        }
    }
}

}  // namespace sonaro
