#pragma once

#include <string>
#include <vector>

namespace sonaro {

// Whether a file's name ends in a dot and one of the endings ("wav", "flac"), in any case.
bool HasSoundEnding(const std::string& path, const std::vector<std::string>& endings);

// The files with those endings in a folder and every folder below it, sorted by path. Folders
// that cannot be read are passed over; links to folders are not followed (they may loop), links
// to files are taken.
std::vector<std::string> SoundFilesIn(const std::string& folder,
                                      const std::vector<std::string>& endings);

}  // namespace sonaro
