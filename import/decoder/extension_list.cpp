#include "import/decoder/extension_list.h"

#include <sndfile.h>

#include <algorithm>
#include <map>

namespace sonaro {
namespace {

// Endings that files of a container often have beside the one libsndfile names.
const std::map<int, std::vector<std::string>> kMoreExtensions = {
    {SF_FORMAT_AIFF, {"aif", "aifc"}},
    {SF_FORMAT_MPEG, {"mp3", "mp2"}},
    {SF_FORMAT_OGG, {"ogg", "opus"}},
};

}  // namespace

std::vector<std::string> ReadableExtensions() {
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    std::vector<std::string> extensions;
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO format{};
        format.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &format, sizeof format);
        if (format.format != SF_FORMAT_RAW) {
            extensions.emplace_back(format.extension);
        }
        const auto more = kMoreExtensions.find(format.format);
        if (more != kMoreExtensions.end()) {
            extensions.insert(extensions.end(), more->second.begin(), more->second.end());
        }
    }
    std::sort(extensions.begin(), extensions.end());
    extensions.erase(std::unique(extensions.begin(), extensions.end()), extensions.end());
    return extensions;
}

}  // namespace sonaro
