#include "convert/files/temp_directory.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

#include "convert/files/file_exception.h"

namespace sonaro {
namespace {

constexpr std::string_view kPrefix = "sonaro-";

// The owner's process id from a name "sonaro-PID-XXXXXX", or 0 when the name is not of that form.
pid_t OwnerOf(std::string_view name) {
    if (name.substr(0, kPrefix.size()) != kPrefix) {
        return 0;
    }
    name.remove_prefix(kPrefix.size());
    // At most nine digits (no overflow); none at all gives 0.
    const auto dash = name.find('-');
    if (dash == std::string_view::npos || dash > 9 || name.size() - dash != 7) {
        return 0;
    }
    pid_t pid = 0;
    for (const char digit : name.substr(0, dash)) {
        if (digit < '0' || digit > '9') {
            return 0;
        }
        pid = pid * 10 + (digit - '0');
    }
    return pid;
}

// A directory is stale when it is this user's own, a real directory (not a link to one), and the
// process that made it is gone.
bool IsStale(const std::filesystem::directory_entry& entry) {
    const pid_t owner = OwnerOf(entry.path().filename().native());
    struct stat status {};
    if (owner <= 0 || owner == ::getpid() || ::lstat(entry.path().c_str(), &status) != 0) {
        return false;
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid()) {
        return false;
    }
    return ::kill(owner, 0) != 0 && errno == ESRCH;
}

}  // namespace

TempDirectory::~TempDirectory() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

// A directory removed meanwhile (by a cleaner of /tmp, say) is made anew.
const std::string& TempDirectory::Path() {
    struct stat status {};
    if (!path_.empty() && (::lstat(path_.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))) {
        path_.clear();
    }
    if (path_.empty()) {
        std::string pattern =
            BaseDirectory() + "/" + std::string(kPrefix) + std::to_string(::getpid()) + "-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) == nullptr) {
            const int error = errno;
            throw FileException(FileException::CauseFromErrno(error), error, pattern);
        }
        path_ = name.data();
    }
    return path_;
}

std::string TempDirectory::BaseDirectory() {
    const char* base = std::getenv("TMPDIR");
    return (base != nullptr && *base != '\0') ? base : "/tmp";
}

int TempDirectory::RemoveStale() {
    std::error_code error;
    std::filesystem::directory_iterator entries(BaseDirectory(), error);
    int removed = 0;
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        std::error_code ignored;
        if (IsStale(*entries) && std::filesystem::remove_all(entries->path(), ignored) > 0) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace sonaro
