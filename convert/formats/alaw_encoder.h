#pragma once

#include <bit>
#include <cstdint>

namespace sonaro {

// The segment of an A-law magnitude on the 16-bit scale: the first of the segment ends 255, 511,
// 1023, ..., 32767 that the magnitude does not exceed (0 to 7). Each segment end is one less than
// a power of two, so the segment follows from the magnitude's bit width, without a search.
inline int FindALawSegment(std::int16_t magnitude) {
    constexpr int kFirstSegmentBits = 8;  // 0 to 255
    if (magnitude < (1 << kFirstSegmentBits)) {
        return 0;
    }
    return std::bit_width(static_cast<unsigned>(magnitude)) - kFirstSegmentBits;
}

// The G.711 A-law code of a 16-bit sample whose full scale is ±32767. A negative sample's
// magnitude is taken as -v - 8 on the 16-bit scale (at least 0) before it is quantised.
inline std::uint8_t EncodeALaw(std::int16_t sample) {
    // Non-negative samples carry the sign bit; the even bits of every code are inverted.
    constexpr unsigned kPositiveMask = 0xD5;
    constexpr unsigned kNegativeMask = 0x55;
    // Chosen without branches: the sign of sound samples is not predictable.
    const bool negative = sample < 0;
    const unsigned mask = negative ? kNegativeMask : kPositiveMask;
    const int flipped = -static_cast<int>(sample) - 8;
    const int magnitude = negative ? (flipped > 0 ? flipped : 0) : sample;
    const int segment = FindALawSegment(static_cast<std::int16_t>(magnitude));
    const int shift = segment < 2 ? 4 : segment + 3;
    const unsigned steps = static_cast<unsigned>(magnitude >> shift) & 0x0F;
    return static_cast<std::uint8_t>(((static_cast<unsigned>(segment) << 4) | steps) ^ mask);
}

}  // namespace sonaro
