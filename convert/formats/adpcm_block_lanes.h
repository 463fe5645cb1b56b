#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/formats/simd_level.h"

namespace sonaro {

// Whole Microsoft ADPCM blocks lying one after the other, all of one shape, and where their
// samples go: block b starts at blocks + b * blockBytes and decodes to frames frames at
// out + b * frames * channels.
struct AdpcmBlockRun {
    const std::uint8_t* blocks;
    std::size_t count;
    std::size_t blockBytes;
    unsigned channels;  // 1 or 2
    std::uint64_t frames;
    std::int16_t* out;
};

// How many blocks the vectors of a level decode at once (0: none, the baseline decodes block
// by block).
std::size_t AdpcmLaneBlocks(SimdLevel level);

// Decodes the first AdpcmLaneBlocks(level) blocks of the run side by side: each vector lane
// follows one channel of one block, so a step decodes one frame of every block. The predictors
// must be valid and the blocks must hold their frames.
void DecodeAdpcmLanes(const AdpcmBlockRun& run, SimdLevel level);

}  // namespace sonaro
