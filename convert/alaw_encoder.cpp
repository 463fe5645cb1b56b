#include "convert/alaw_encoder.h"

#include <array>

namespace sonaro {
namespace {

constexpr std::array<std::int16_t, 8> kSegmentEnds = {0x00FF, 0x01FF, 0x03FF, 0x07FF,
                                                      0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF};
// Non-negative samples carry the sign bit; the even bits of every code are inverted.
constexpr unsigned kPositiveMask = 0xD5;
constexpr unsigned kNegativeMask = 0x55;

}  // namespace

int FindALawSegment(std::int16_t magnitude) {
    int segment = 0;
    while (segment < static_cast<int>(kSegmentEnds.size()) && magnitude > kSegmentEnds[segment]) {
        ++segment;
    }
    return segment;
}

std::uint8_t EncodeALaw(std::int16_t sample) {
    unsigned mask = kPositiveMask;
    int magnitude = sample;
    if (sample < 0) {
        mask = kNegativeMask;
        magnitude = magnitude < -8 ? -magnitude - 8 : 0;
    }
    const int segment = FindALawSegment(static_cast<std::int16_t>(magnitude));
    if (segment >= static_cast<int>(kSegmentEnds.size())) {
        return static_cast<std::uint8_t>(0x7F ^ mask);
    }
    const int shift = segment < 2 ? 4 : segment + 3;
    const unsigned steps = static_cast<unsigned>(magnitude >> shift) & 0x0F;
    return static_cast<std::uint8_t>(((static_cast<unsigned>(segment) << 4) | steps) ^ mask);
}

}  // namespace sonaro
