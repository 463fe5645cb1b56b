#include "cli/codec_setup.h"

#include <ostream>

#include "convert/codecs/plugin_codec_manager.h"

namespace sonaro {

// The drivers come from SONARO_CODEC_PATH and the installed codec directory; a library that
// cannot be used is named on standard error and the run goes on without it.
std::unique_ptr<CodecManager> MakeCodecManager(std::ostream& errors) {
    return std::make_unique<PluginCodecManager>(
        PluginCodecManager::SearchDirectories(),
        [&errors](const std::string& path, const std::string& reason) {
            errors << "sonaro-convert: codec driver " << path << " skipped: " << reason << '\n';
        });
}

}  // namespace sonaro
