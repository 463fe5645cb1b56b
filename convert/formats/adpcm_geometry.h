#pragma once

#include <cstddef>
#include <cstdint>

namespace sonaro {

// How Microsoft ADPCM data divide into blocks: the whole blocks, then a partial block when the
// bytes left over hold every channel's header (otherwise they are ignored). The frame count is
// limited to what a 32-bit count can hold; blocks beyond that are not decoded.
struct AdpcmBlockPlan {
    std::uint64_t fullBlocks = 0;
    std::uint32_t partialBytes = 0;  // 0: no partial block
    std::uint32_t partialFrames = 0;
    std::uint32_t frames = 0;

    std::uint64_t Blocks() const { return fullBlocks + (partialBytes != 0 ? 1 : 0); }
};

// The block shape of Microsoft ADPCM data as a format chunk gives it. Each block begins with a
// header of 7 bytes per channel (predictor index, step, newest and older sample), which gives the
// first two frames; each further byte holds two 4-bit codes, shared among the channels.
struct AdpcmGeometry {
    static constexpr std::size_t kHeaderBytes = 7;

    std::uint8_t channels;
    std::uint16_t blockAlign;
    std::uint16_t samplesPerBlock;

    // How many frames a block of that many bytes holds; 0 when it is too short for its headers.
    static std::uint64_t FramesInBlock(std::size_t blockBytes, unsigned channels);

    // One or two channels, a block long enough for its headers, and 2 to as many frames per
    // block as a block of that size holds.
    bool Fits() const;

    // The blocks of dataSize bytes of data of a geometry that fits.
    AdpcmBlockPlan Plan(std::uint32_t dataSize) const;
};

}  // namespace sonaro
