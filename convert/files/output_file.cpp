#include "convert/files/output_file.h"

#include <sys/stat.h>

namespace sonaro {
namespace {

// A file that exists and is neither a regular file nor a directory (links followed).
bool IsStreamFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

}  // namespace

template <typename Operation>
void OutputFile::Naming(Operation operation) {
    try {
        operation();
    } catch (const FileException& error) {
        throw FileException(error.cause(), error.osError(), destination_);
    }
}

OutputFile::OutputFile(const std::string& destination) : destination_(destination) {
    Naming([&] {
        if (destination == kStandardStream) {
            stream_.OpenStandardOutput();
        } else if (IsStreamFile(destination)) {
            stream_.Open(destination, File::Mode::Stream);
        } else {
            replacement_.emplace(destination);
        }
    });
}

void OutputFile::Write(const void* buffer, std::size_t count) {
    Naming([&] { (replacement_ ? replacement_->file() : stream_).Write(buffer, count); });
}

void OutputFile::Commit() {
    Naming([&] { replacement_ ? replacement_->Commit() : stream_.Close(); });
}

}  // namespace sonaro
