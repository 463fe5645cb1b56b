#pragma once

#include "convert/codecs/codec_manager.h"
#include "convert/formats/wave_format.h"
#include "convert/stages/stage.h"

namespace sonaro {

// The first stage for a Voxware source: hands the data the file holds from the input's offset
// (at most the bytes its header claims) block by block (27 bytes each; a rest shorter than a
// block is ignored) to the codec manager, with the format the file's format chunk holds, and
// writes the 16-bit PCM it gives back, headerless; hands back the samples written. The codec's
// stream is closed whatever happens.
class VoxwareDecoder final : public Stage {
  public:
    VoxwareDecoder(CodecManager& codecs, const WaveFormat& format)
        : codecs_(codecs), format_(format) {}
    Outcome<std::uint32_t> Run(const StageCall& call, ProgressPort& progress) const override;

  private:
    CodecManager& codecs_;
    WaveFormat format_;
};

}  // namespace sonaro
