#include "document/path_parts.h"

namespace sonaro {
namespace {

std::string::size_type SplitPoint(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string DirectoryPart(const std::string& path) {
    return path.substr(0, SplitPoint(path));
}

std::string FileNamePart(const std::string& path) {
    return path.substr(SplitPoint(path));
}

}  // namespace sonaro
