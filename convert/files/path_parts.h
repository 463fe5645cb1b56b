#pragma once

#include <string>

namespace sonaro {

// The directory part of a path, with its trailing '/', or empty when the path has no '/'.
std::string DirectoryPart(const std::string& path);
// The part of a path behind its last '/'.
std::string FileNamePart(const std::string& path);
// The path with the ending of its file-name part ("song.mp3": ".mp3") replaced by ".wav", or
// ".wav" added when it has none.
std::string WavPath(const std::string& path);

}  // namespace sonaro
