#pragma once

#include "convert/formats/adpcm_geometry.h"
#include "convert/stages/stage.h"

namespace sonaro {

// The first stage for a Microsoft ADPCM source: decodes the data the file holds from the input's
// offset (at most the bytes its header claims) into headerless 16-bit little-endian PCM, channels
// interleaved, block by block as the geometry cuts them; hands back the frames written.
class AdpcmDecoder final : public Stage {
  public:
    explicit AdpcmDecoder(const AdpcmGeometry& geometry) : geometry_(geometry) {}
    Outcome<std::uint32_t> Run(const StageCall& call, ProgressPort& progress) const override;

  private:
    AdpcmGeometry geometry_;
};

}  // namespace sonaro
