#pragma once

#include <iosfwd>
#include <memory>

#include "convert/codecs/codec_manager.h"

namespace sonaro {

// The codec manager of a command-line run. Drivers that cannot be used are named on errors.
std::unique_ptr<CodecManager> MakeCodecManager(std::ostream& errors);

}  // namespace sonaro
