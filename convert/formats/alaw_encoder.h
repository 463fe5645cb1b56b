#pragma once

#include <array>
#include <cstdint>

namespace sonaro {

// The segment of an A-law magnitude on the 16-bit scale: the first of the segment ends 255, 511,
// 1023, ..., 32767 that the magnitude does not exceed (0 to 7), counted as the ends below it.
// For an int, or a GCC vector of ints to find the segments of all its lanes at once (vectors pass
// by reference: no calling convention of wider vectors is involved).
template <typename Int>
constexpr void FindALawSegments(const Int& magnitude, Int& segment) {
    segment = Int{};
    for (int end = 255; end < 32767; end = 2 * end + 1) {
        segment += magnitude > end ? Int{} + 1 : Int{};
    }
}

constexpr int FindALawSegment(int magnitude) {
    int segment = 0;
    FindALawSegments(magnitude, segment);
    return segment;
}

// The G.711 A-law codes of 16-bit samples whose full scale is ±32767, for an int or a GCC vector
// of ints (a sample in each lane). A negative sample's magnitude is taken as -v - 8 on the 16-bit
// scale (at least 0) before it is quantised. Chosen without branches: the sign of sound samples
// is not predictable, and the lanes of a vector are coded together.
template <typename Int>
constexpr void EncodeALawLanes(const Int& sample, Int& code) {
    // Non-negative samples carry the sign bit; the even bits of every code are inverted.
    constexpr int kPositiveMask = 0xD5;
    constexpr int kNegativeMask = 0x55;
    const auto negative = sample < 0;
    const Int mask = negative ? Int{} + kNegativeMask : Int{} + kPositiveMask;
    const Int flipped = -sample - 8;
    const Int magnitude = negative ? (flipped > 0 ? flipped : Int{}) : sample;
    Int segment{};
    FindALawSegments(magnitude, segment);
    const Int shift = segment < 2 ? Int{} + 4 : segment + 3;
    const Int steps = (magnitude >> shift) & 0x0F;
    code = ((segment << 4) | steps) ^ mask;
}

constexpr std::uint8_t EncodeALaw(std::int16_t sample) {
    int code = 0;
    EncodeALawLanes(int{sample}, code);
    return static_cast<std::uint8_t>(code);
}

// The codes of all 16-bit samples, the code of sample v at v + 32768: one look-up per sample where
// many are encoded.
constexpr std::array<std::uint8_t, 65536> ALawCodes() {
    std::array<std::uint8_t, 65536> codes{};
    for (int sample = -32768; sample <= 32767; ++sample) {
        codes[static_cast<std::size_t>(sample + 32768)] =
            EncodeALaw(static_cast<std::int16_t>(sample));
    }
    return codes;
}
inline constexpr std::array<std::uint8_t, 65536> kALawCodes = ALawCodes();

}  // namespace sonaro
