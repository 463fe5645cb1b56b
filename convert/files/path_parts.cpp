#include "convert/files/path_parts.h"

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

std::string WavPath(const std::string& path) {
    const auto dot = path.rfind('.');
    // A dot that starts the name (".profile") makes no ending.
    const bool ending = dot != std::string::npos && dot > SplitPoint(path);
    return path.substr(0, ending ? dot : path.size()) + ".wav";
}

}  // namespace sonaro
