#pragma once

#include <string>

namespace sonaro {

// The directory part of a path, with its trailing '/', or empty when the path has no '/'.
std::string DirectoryPart(const std::string& path);
// The part of a path behind its last '/'.
std::string FileNamePart(const std::string& path);

}  // namespace sonaro
