#pragma once

#include <cstdint>
#include <string>

#include "convert/stages/stage_context.h"

namespace sonaro {

// Where the Microsoft ADPCM data of a source file lie and how they are cut into blocks.
struct AdpcmSource {
    std::string path;
    std::uint64_t dataOffset;
    std::uint32_t dataSize;
    std::uint8_t channels;
    std::uint16_t blockAlign;
    std::uint16_t samplesPerBlock;
};

// How the data divide into blocks: the whole blocks, then a partial block when the bytes left
// over hold every channel's header (otherwise they are ignored). The frame count is limited to
// what a 32-bit count can hold; blocks beyond that are not decoded.
struct AdpcmBlockPlan {
    std::uint64_t fullBlocks = 0;
    std::uint32_t partialBytes = 0;  // 0: no partial block
    std::uint32_t partialFrames = 0;
    std::uint32_t frames = 0;

    std::uint64_t Blocks() const { return fullBlocks + (partialBytes != 0 ? 1 : 0); }
};

// The plan for a source whose geometry is sound (see AdpcmGeometryIsSound).
AdpcmBlockPlan PlanAdpcmBlocks(const AdpcmSource& source);

// One or two channels, a block long enough for its headers, and 2 to as many frames per block
// as a block of that size holds.
bool AdpcmGeometryIsSound(const AdpcmSource& source);

// Decodes the source's data into output as headerless 16-bit little-endian PCM, channels
// interleaved, and sets frames to the number of frames written. On failure it has shown one
// message and answers false; the partial output is left for the caller to remove.
bool DecodeAdpcm(StageContext& context, const AdpcmSource& source, const std::string& output,
                 std::uint32_t& frames);

}  // namespace sonaro
