#pragma once

#include <cstdint>
#include <string>

#include "convert/stages/stage.h"

namespace sonaro {

// The volume factor of a volume level (0 to 10): the level times 0.1, in single precision.
float VolumeFactor(int volumeLevel);

// The bar's shares of the two passes over the samples: finding the peak, then encoding.
struct NormaliserBars {
    BarShare peak;
    BarShare encode;
};

// The stage after resampling: reads count floats from input, scales them so that the largest
// magnitude becomes full scale times the volume level's factor, fades both ends (the first 400
// samples in, the last 399 out, except within the first block of 2000), rounds half away from
// zero to 16 bits and writes one A-law code per sample to output; then removes input. On failure
// it has shown one message and answers false, leaving both files for the caller to remove.
bool FloatsToALaw(StageContext& context, NormaliserBars bars, const std::string& output,
                  const std::string& input, std::uint32_t count, int volumeLevel);

}  // namespace sonaro
