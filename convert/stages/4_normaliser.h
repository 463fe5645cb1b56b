#pragma once

#include <cstdint>

#include "convert/stages/stage.h"

namespace sonaro {

// The volume factor of a volume level (0 to 10): the level times 0.1, in single precision.
float VolumeFactor(int volumeLevel);

// The stage after resampling: reads the input's count of floats, scales them so that the largest
// magnitude becomes full scale times the volume level's factor, fades both ends (the first 400
// samples in, the last 399 out, except within the first block of 2000), rounds half away from
// zero to 16 bits and writes one A-law code per sample; hands back the codes written. It passes
// over the samples twice: the first finding the peak takes the first five eighths of its share
// of the bar, the second, encoding, the rest.
class Normaliser final : public Stage {
  public:
    explicit Normaliser(int volumeLevel) : volume_(VolumeFactor(volumeLevel)) {}
    Outcome<std::uint32_t> Run(const StageCall& call, ProgressPort& progress) const override;

  private:
    float volume_;
};

}  // namespace sonaro
