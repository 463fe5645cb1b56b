// The A-law encoder against the published segment rule, for every 16-bit input.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>

#include "convert/formats/alaw_encoder.h"

namespace sonaro {
namespace {

// The magnitude the encoder quantises: a negative sample counts 8 less on the 16-bit scale.
int Magnitude(int sample) {
    return sample >= 0 ? sample : std::max(-sample - 8, 0);
}

// G.711 A-law by its segment rule on the 12-bit magnitude a of the 13-bit linear value: segment
// 0 covers 0 to 31 in steps of 2; segment s from 1 to 7 starts at 16 × 2^s in steps of 2^s. The
// sign bit is set for non-negative samples and the even bits are inverted.
std::uint8_t ReferenceALaw(int sample) {
    const int a = Magnitude(sample) / 8;
    int segment = 0;
    int step = a / 2;
    if (a >= 32) {
        segment = std::bit_width(static_cast<unsigned>(a)) - 5;
        step = (a - (16 << segment)) / (1 << segment);
    }
    const int code = (segment * 16 + step) | (sample >= 0 ? 0x80 : 0x00);
    return static_cast<std::uint8_t>(code ^ 0x55);
}

TEST(ALawEncoder, KnownCodes) {
    const struct {
        int sample;
        std::uint8_t code;
    } cases[] = {{0, 0xD5},      {1, 0xD5},      {15, 0xD5},    {16, 0xD4},
                 {255, 0xDA},    {256, 0xC5},    {1000, 0xFA},  {32767, 0xAA},
                 {-1, 0x55},     {-8, 0x55},     {-1000, 0x7A}, {-31751, 0x2B},
                 {-32768, 0x2A}, {-31752, 0x2A}, {-7, 0x55},    {-24, 0x54}};
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeALaw(static_cast<std::int16_t>(c.sample)), c.code) << c.sample;
    }
}

TEST(ALawEncoder, EveryInputFollowsTheSegmentRule) {
    for (int sample = -32768; sample <= 32767; ++sample) {
        ASSERT_EQ(EncodeALaw(static_cast<std::int16_t>(sample)), ReferenceALaw(sample)) << sample;
    }
}

// Eight lanes coded at once give each lane's code; each vector mixes samples from all over the
// scale, so that a lane that took another's sign, segment or shift shows.
TEST(ALawEncoder, VectorsCodeEveryLaneAsAlone) {
    using Int8 = std::int32_t __attribute__((vector_size(32)));
    for (int first = -32768; first <= 32767; ++first) {
        Int8 samples;
        for (int lane = 0; lane < 8; ++lane) {
            samples[lane] = (first + 32768 + lane * 8193) % 65536 - 32768;
        }
        Int8 codes;
        EncodeALawLanes(samples, codes);
        for (int lane = 0; lane < 8; ++lane) {
            ASSERT_EQ(codes[lane], EncodeALaw(static_cast<std::int16_t>(samples[lane])))
                << samples[lane] << " in lane " << lane;
        }
    }
}

TEST(ALawEncoder, SegmentsEndAtTheTableValues) {
    const struct {
        int magnitude;
        int segment;
    } cases[] = {{0, 0},    {255, 0},   {256, 1},   {511, 1},   {512, 2},  {1023, 2},
                 {1024, 3}, {2047, 3},  {2048, 4},  {4095, 4},  {4096, 5}, {8191, 5},
                 {8192, 6}, {16383, 6}, {16384, 7}, {32767, 7}, {-1, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(FindALawSegment(c.magnitude), c.segment) << c.magnitude;
    }
}

}  // namespace
}  // namespace sonaro
