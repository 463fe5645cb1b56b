#include "convert/codecs/codec_setup.h"

#include <ostream>

#include "convert/codecs/plugin_codec_manager.h"

namespace sonaro {

std::unique_ptr<CodecManager> MakeCodecManager(std::ostream& errors, const std::string& program) {
    return std::make_unique<PluginCodecManager>(
        PluginCodecManager::SearchDirectories(),
        [&errors, program](const std::string& path, const std::string& reason) {
            errors << program << ": codec driver " << path << " skipped: " << reason << '\n';
        });
}

}  // namespace sonaro
