#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "convert/formats/adpcm_tables.h"
#include "convert/formats/simd_level.h"

namespace sonaro {

// Decodes one block of Microsoft ADPCM (4-bit codes, per-channel adaptive step, two-tap
// prediction with the seven standard coefficient pairs) into 16-bit PCM; AdpcmGeometry tells the
// layout of a block. It reads and writes only inside the spans it is given, whatever the bytes
// hold, so any input may be fed to it.
class AdpcmBlockDecoder {
  public:
    static constexpr unsigned kPredictors = kAdpcmPredictors;

    enum class Result {
        Decoded,
        BadPredictor,  // a channel's predictor index is 7 or more
        BadGeometry,   // 1 or 2 channels only; the block must hold its headers and the frames
    };

    // Decodes the first frames frames of the block into out, channels interleaved (channel 0
    // first). Codes are taken two per byte, high nibble first, channels in turn.
    static Result Decode(std::span<const std::uint8_t> block, unsigned channels,
                         std::uint64_t frames, std::span<std::int16_t> out);

    // Decodes the whole blocks of blockBytes bytes that lie one after the other in blocks, each
    // to its first frames frames, block after block into out: the samples Decode gives one block
    // at a time, several blocks at once on the vectors of the level. Decodes nothing when a
    // predictor of any of them is out of range.
    static Result DecodeBlocks(std::span<const std::uint8_t> blocks, std::size_t blockBytes,
                               unsigned channels, std::uint64_t frames, std::span<std::int16_t> out,
                               SimdLevel level = BestSimdLevel());

    // Whether every channel's predictor index of the block is in range.
    static bool PredictorsValid(const std::uint8_t* block, unsigned channels);
};

}  // namespace sonaro
