#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sonaro {

// Decodes one block of Microsoft ADPCM (4-bit codes, per-channel adaptive step, two-tap
// prediction with the seven standard coefficient pairs) into 16-bit PCM; AdpcmGeometry tells the
// layout of a block. It reads and writes only inside the spans it is given, whatever the bytes
// hold, so any input may be fed to it.
class AdpcmBlockDecoder {
  public:
    static constexpr unsigned kPredictors = 7;

    enum class Result {
        Decoded,
        BadPredictor,  // a channel's predictor index is 7 or more
        BadGeometry,   // 1 or 2 channels only; the block must hold its headers and the frames
    };

    // Decodes the first frames frames of the block into out, channels interleaved (channel 0
    // first). Codes are taken two per byte, high nibble first, channels in turn.
    static Result Decode(std::span<const std::uint8_t> block, unsigned channels,
                         std::uint64_t frames, std::span<std::int16_t> out);
};

}  // namespace sonaro
