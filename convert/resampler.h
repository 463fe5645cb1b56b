#pragma once

#include <cstdint>
#include <string>

#include "convert/stage_context.h"

namespace sonaro {

// The resampling stage: reads inputCount mono float samples at inputRate from the input file and
// writes them at (about) 8000 Hz, band-limited to 150-3900 Hz, to the output file, with the
// filter's full lead-in and run-out. 8000 and 8012 Hz inputs are copied unchanged and the input
// stays; otherwise the input file is removed on success. Answers false after telling the user
// why (file error, cancel, no memory, a rate without a filter); outputCount then is unchanged
// except on the copy path, where it is inputCount.
bool Resample(StageContext& context, const std::string& output, const std::string& input,
              std::uint32_t inputCount, std::uint32_t& outputCount, std::uint32_t inputRate);

}  // namespace sonaro
