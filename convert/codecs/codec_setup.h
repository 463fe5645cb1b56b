#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "convert/codecs/codec_manager.h"

namespace sonaro {

// The codec manager of a run of the program: the drivers come from SONARO_CODEC_PATH and the
// installed codec directory. A library that cannot be used is named on errors, after the
// program's name, and the run goes on without it.
std::unique_ptr<CodecManager> MakeCodecManager(std::ostream& errors, const std::string& program);

}  // namespace sonaro
