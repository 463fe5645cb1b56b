// The Microsoft ADPCM block decoder on hand-made blocks whose samples are worked out by hand.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "convert/formats/adpcm_block_decoder.h"
#include "convert/formats/adpcm_geometry.h"

namespace sonaro {
namespace {

using Result = AdpcmBlockDecoder::Result;

// A mono block: predictor, step, newest and older sample, then the code bytes.
std::vector<std::uint8_t> MonoBlock(std::uint8_t predictor, std::int16_t step, std::int16_t newest,
                                    std::int16_t older, std::vector<std::uint8_t> codes) {
    std::vector<std::uint8_t> block = {predictor};
    for (const std::int16_t value : {step, newest, older}) {
        block.push_back(static_cast<std::uint8_t>(value & 0xFF));
        block.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    block.insert(block.end(), codes.begin(), codes.end());
    return block;
}

std::vector<std::int16_t> DecodeAll(const std::vector<std::uint8_t>& block, unsigned channels,
                                    std::uint64_t frames) {
    std::vector<std::int16_t> out(frames * channels, 0x5A5A);
    EXPECT_EQ(AdpcmBlockDecoder::Decode(block, channels, frames, out), Result::Decoded);
    return out;
}

TEST(AdpcmBlockDecoder, HeaderGivesTheFirstTwoFramesOlderFirst) {
    EXPECT_EQ(DecodeAll(MonoBlock(0, 16, 100, -50, {}), 1, 2),
              (std::vector<std::int16_t>{-50, 100}));
}

// Code 0 would shrink the step 16 to 14; it is held at 16, so code 1 then adds 16.
TEST(AdpcmBlockDecoder, StepIsHeldAtSixteen) {
    EXPECT_EQ(DecodeAll(MonoBlock(0, 16, 100, 50, {0x01}), 1, 4),
              (std::vector<std::int16_t>{50, 100, 100, 116}));
}

// 32760 + 7 × 16 is held at 32767; the next prediction 2 × 32767 − 32760 starts from the held
// value, and code 8 (−8) with the step adapted by code 7 (16 × 614 ÷ 256 = 38) gives
// 32774 − 304. Likewise downwards, where code 8 adapts the step to 48.
TEST(AdpcmBlockDecoder, ClampedSampleFeedsTheNextPrediction) {
    EXPECT_EQ(DecodeAll(MonoBlock(1, 16, 32760, 32760, {0x78}), 1, 4),
              (std::vector<std::int16_t>{32760, 32760, 32767, 32470}));
    EXPECT_EQ(DecodeAll(MonoBlock(1, 16, -32760, -32760, {0x87}), 1, 4),
              (std::vector<std::int16_t>{-32760, -32760, -32768, -32440}));
}

// Step 32767 adapted by code 8 (×768) gives 98301, kept as a 16-bit value: 32765.
TEST(AdpcmBlockDecoder, AdaptedStepIsKeptInSixteenBits) {
    EXPECT_EQ(DecodeAll(MonoBlock(2, 32767, 0, 0, {0x81}), 1, 4),
              (std::vector<std::int16_t>{0, 0, -32768, 32765}));
}

// A mono block with an odd number of codes leaves the last low nibble unused; the codes of every
// block start on a new byte.
TEST(AdpcmBlockDecoder, MonoCodesHighNibbleFirst) {
    // Predictor 2 predicts 0, so each sample is code × step; the step 16 stays 16 for codes 1-3.
    EXPECT_EQ(DecodeAll(MonoBlock(2, 16, 0, 0, {0x12, 0x3F}), 1, 5),
              (std::vector<std::int16_t>{0, 0, 16, 32, 48}));
}

TEST(AdpcmBlockDecoder, StereoFieldsAndNibblesAlternateChannels) {
    // Predictors 0 and 2, steps 16 and 20, newest 10 and -10, older 5 and -5; one code byte:
    // channel 0 takes 7 (10 + 7 × 16), channel 1 takes 15 (−1 × 20).
    const std::vector<std::uint8_t> block = {0,    2,    16, 0, 20,   0,    10,  0,
                                             0xF6, 0xFF, 5,  0, 0xFB, 0xFF, 0x7F};
    EXPECT_EQ(DecodeAll(block, 2, 3), (std::vector<std::int16_t>{5, -5, 10, -10, 122, -20}));
}

TEST(AdpcmBlockDecoder, PredictorOfSevenOrMoreIsRefused) {
    std::vector<std::int16_t> out(8);
    for (const std::uint8_t predictor : {7, 8, 255}) {
        EXPECT_EQ(AdpcmBlockDecoder::Decode(MonoBlock(predictor, 16, 0, 0, {0}), 1, 4, out),
                  Result::BadPredictor);
    }
    std::vector<std::uint8_t> stereo(14, 0);
    stereo[1] = 7;
    EXPECT_EQ(AdpcmBlockDecoder::Decode(stereo, 2, 2, out), Result::BadPredictor);
    stereo[1] = 6;
    EXPECT_EQ(AdpcmBlockDecoder::Decode(stereo, 2, 2, out), Result::Decoded);
}

TEST(AdpcmGeometry, FramesInBlock) {
    EXPECT_EQ(AdpcmGeometry::FramesInBlock(6, 1), 0U);
    EXPECT_EQ(AdpcmGeometry::FramesInBlock(7, 1), 2U);
    EXPECT_EQ(AdpcmGeometry::FramesInBlock(8, 1), 4U);
    EXPECT_EQ(AdpcmGeometry::FramesInBlock(256, 1), 500U);
    EXPECT_EQ(AdpcmGeometry::FramesInBlock(13, 2), 0U);
    EXPECT_EQ(AdpcmGeometry::FramesInBlock(15, 2), 3U);
    EXPECT_EQ(AdpcmGeometry::FramesInBlock(512, 2), 500U);
    EXPECT_EQ(AdpcmGeometry::FramesInBlock(100, 0), 0U);
}

// Any bytes, sizes and counts: the decoder stays inside its spans (the sanitizer build watches)
// and decodes exactly when the geometry is sound and every predictor is below 7.
TEST(AdpcmBlockDecoder, ArbitraryInputIsSafe) {
    std::mt19937 random(1234);
    for (int round = 0; round < 20000; ++round) {
        const std::size_t size = random() % 40;
        const unsigned channels = random() % 4;
        const std::uint64_t frames = random() % 70;
        const std::size_t outSize = random() % 140;
        std::vector<std::uint8_t> block(size);
        for (auto& byte : block) {
            byte = static_cast<std::uint8_t>(random() % 9 == 0 ? 7 + random() % 3 : random());
        }
        std::vector<std::int16_t> out(outSize);
        const Result result = AdpcmBlockDecoder::Decode(block, channels, frames, out);
        const bool fits = channels >= 1 && channels <= 2 && frames >= 2 &&
                          frames <= AdpcmGeometry::FramesInBlock(size, channels) &&
                          outSize >= frames * channels;
        if (!fits) {
            ASSERT_EQ(result, Result::BadGeometry) << round;
            continue;
        }
        const bool predictorsOk = block[0] < 7 && (channels == 1 || block[1] < 7);
        ASSERT_EQ(result, predictorsOk ? Result::Decoded : Result::BadPredictor) << round;
    }
}

}  // namespace
}  // namespace sonaro
