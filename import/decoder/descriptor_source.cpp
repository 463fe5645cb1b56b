#include "import/decoder/descriptor_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace sonaro {

std::int64_t DescriptorSource::Length() {
    struct stat status {};
    return ::fstat(fd_, &status) == 0 ? status.st_size : -1;
}

std::int64_t DescriptorSource::Seek(std::int64_t offset, int whence) {
    return ::lseek(fd_, offset, whence);
}

// Reads until count bytes have come or the file ends, as libsndfile expects of a file.
std::int64_t DescriptorSource::Read(void* buffer, std::int64_t count) {
    auto* bytes = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd_, bytes + done, static_cast<std::size_t>(count - done));
        if (got > 0) {
            done += got;
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            return done > 0 ? done : -1;
        }
    }
    return done;
}

std::int64_t DescriptorSource::Tell() {
    return ::lseek(fd_, 0, SEEK_CUR);
}

}  // namespace sonaro
