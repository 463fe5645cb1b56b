#include "convert/batch/sound_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "convert/files/path_parts.h"

namespace sonaro {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

bool HasSoundEnding(const std::string& path, const std::vector<std::string>& endings) {
    const std::string name = FileNamePart(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return false;
    }
    const std::string ending = Lower(name.substr(dot + 1));
    return std::any_of(endings.begin(), endings.end(),
                       [&](const std::string& e) { return Lower(e) == ending; });
}

std::vector<std::string> SoundFilesIn(const std::string& folder,
                                      const std::vector<std::string>& endings) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                        error);
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored) && HasSoundEnding(it->path().string(), endings)) {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace sonaro
