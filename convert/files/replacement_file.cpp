#include "convert/files/replacement_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace sonaro {
namespace {

[[noreturn]] void Fail(int error, const std::string& path) {
    throw FileException(FileException::CauseFromErrno(error), error, path);
}

// The file a destination path finally names: a symbolic link is followed, so that saving over a
// link writes the file it points to.
std::string ResolveDestination(const std::string& destination) {
    struct stat info {};
    if (::lstat(destination.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return destination;
    }
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(destination.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : destination;
}

std::string TemporaryNameBeside(const std::string& destination) {
    static std::atomic<unsigned> counter{0};
    const auto slash = destination.rfind('/');
    const std::string directory =
        slash == std::string::npos ? "" : destination.substr(0, slash + 1);
    const std::string name =
        slash == std::string::npos ? destination : destination.substr(slash + 1);
    return directory + "." + name + ".sonaro-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter++);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& destination)
    : destination_(ResolveDestination(destination)) {
    struct stat existing {};
    const bool exists = ::stat(destination_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        Fail(EISDIR, destination_);
    }
    if (exists && ::access(destination_.c_str(), W_OK) != 0) {
        Fail(errno, destination_);
    }
    // A fresh name each time: the file is only created where no file of that name exists.
    bool created = false;
    for (int attempt = 0; !created && attempt < 100; ++attempt) {
        temporaryPath_ = TemporaryNameBeside(destination_);
        created = file_.TryOpen(temporaryPath_, File::Mode::CreateNew);
        if (!created && errno != EEXIST) {
            Fail(errno, destination_);
        }
    }
    if (!created) {
        Fail(EEXIST, destination_);
    }
    if (exists) {
        ::chmod(temporaryPath_.c_str(), existing.st_mode & 07777);
    }
}

ReplacementFile::~ReplacementFile() {
    if (!committed_) {
        file_ = File();
        ::unlink(temporaryPath_.c_str());
    }
}

void ReplacementFile::Commit() {
    file_.Sync();
    file_.Close();
    File::Rename(temporaryPath_, destination_);
    committed_ = true;
}

}  // namespace sonaro
