#pragma once

#include "convert/stages/stage.h"

namespace sonaro {

// The stage every conversion runs first or after its decoder: mixes the interleaved PCM frames of
// its input into one channel of 32-bit little-endian floats, one value per frame and not
// rescaled: 8-bit samples are unsigned (silence 128) and give -128 to 127, 16-bit samples are
// signed and give -32768 to 32767; two channels are averaged. Fewer frames than the input's count
// are mixed when the file holds fewer; it hands back the frames mixed. Channels 1 is one channel
// and any other value two; bits 8 is 8-bit and any other value 16-bit.
class MonoMixer final : public Stage {
  public:
    MonoMixer(unsigned channels, unsigned bitsPerSample)
        : stereo_(channels != 1), eightBit_(bitsPerSample == 8) {}
    Outcome<std::uint32_t> Run(const StageCall& call, ProgressPort& progress) const override;

  private:
    bool stereo_;
    bool eightBit_;
};

}  // namespace sonaro
