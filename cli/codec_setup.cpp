#include "cli/codec_setup.h"

#include "convert/no_codec_manager.h"

namespace sonaro {

std::unique_ptr<CodecManager> MakeCodecManager(std::ostream& /*errors*/) {
    return std::make_unique<NoCodecManager>();
}

}  // namespace sonaro
