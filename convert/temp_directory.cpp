#include "convert/temp_directory.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "convert/file_exception.h"

namespace sonaro {

TempDirectory::~TempDirectory() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

const std::string& TempDirectory::Path() {
    if (path_.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = (base != nullptr && *base != '\0') ? base : "/tmp";
        pattern += "/sonaro-XXXXXX";
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

}  // namespace sonaro
