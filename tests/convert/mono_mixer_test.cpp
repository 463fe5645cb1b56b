// The mono down-mix: values, chunks, offsets, missing data, cancels and file faults.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "convert/stages/2_mono_mixer.h"
#include "tests/convert/stage_test_support.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

constexpr BarShare kBar{3, 2};

class MixerTest : public ::testing::Test {
  protected:
    // Mixes frames of the input (from offset on) into the output; true when the stage
    // succeeded, count then set to the frames mixed.
    bool Run(test::StageRun& run, StageInput input, unsigned channels, unsigned bits,
             std::uint32_t& count) {
        return run.Run(MonoMixer(channels, bits), {std::move(input), output, kBar}, count);
    }

    // Mixes a headerless input file of these bytes; answers the floats written.
    std::vector<float> Mix(const std::vector<std::uint8_t>& bytes, std::uint32_t frames,
                           unsigned channels, unsigned bits) {
        test::StageRun run;
        std::uint32_t count = 0;
        EXPECT_TRUE(Run(run, {dir.Write("in.raw", bytes), 0, frames}, channels, bits, count));
        EXPECT_TRUE(run.messages.empty());
        const std::vector<float> values = test::ReadFloats(output);
        EXPECT_EQ(values.size(), count) << "the count handed back is that of the floats written";
        return values;
    }

    // The stage on frames of 16-bit PCM in input, as the cancel and fault runs call it.
    std::function<bool(test::StageRun&)> Stage(const std::string& input, std::uint32_t frames,
                                               unsigned channels) {
        return [this, input, frames, channels](test::StageRun& run) {
            std::uint32_t count = 0;
            return Run(run, {input, 0, frames}, channels, 16, count);
        };
    }

    test::ScratchDir dir;
    std::string output = dir.File("SN_1_tmp.tmp");
};

TEST_F(MixerTest, FrameValues) {
    EXPECT_EQ(Mix({0, 128, 255}, 3, 1, 8), (std::vector<float>{-128.0F, 0.0F, 127.0F}));
    EXPECT_EQ(Mix({0, 255, 0, 0, 255, 255, 128, 129}, 4, 2, 8),
              (std::vector<float>{-0.5F, -128.0F, 127.0F, 0.5F}));
    EXPECT_EQ(Mix(test::Int16Bytes({32767, -32768, 0, -1}), 4, 1, 16),
              (std::vector<float>{32767.0F, -32768.0F, 0.0F, -1.0F}));
    EXPECT_EQ(Mix(test::Int16Bytes({32767, -32768, -32768, -32768, 32767, 32767, 1, 2}), 4, 2, 16),
              (std::vector<float>{-0.5F, -32768.0F, 32767.0F, 1.5F}));
}

// Long runs of random frames of each format (eight frames at a time and the rest one by one)
// against the rule in double precision: (left + right) × 0.5, less 128 for 8-bit samples.
TEST_F(MixerTest, EveryFormatFollowsTheRuleInDoublePrecision) {
    std::mt19937 random(5);
    for (const unsigned channels : {1U, 2U}) {
        for (const unsigned bits : {8U, 16U}) {
            const std::uint32_t frames = 1003;
            std::vector<std::uint8_t> bytes(frames * channels * bits / 8);
            for (auto& byte : bytes) {
                byte = static_cast<std::uint8_t>(random());
            }
            std::vector<float> expected;
            for (std::uint32_t f = 0; f < frames; ++f) {
                double sample[2];
                for (unsigned c = 0; c < channels; ++c) {
                    const std::size_t at = (f * channels + c) * bits / 8;
                    sample[c] = bits == 8
                                    ? bytes[at] - 128.0
                                    : static_cast<std::int16_t>(bytes[at] | bytes[at + 1] << 8);
                }
                expected.push_back(
                    static_cast<float>(channels == 1 ? sample[0] : (sample[0] + sample[1]) * 0.5));
            }
            EXPECT_EQ(Mix(bytes, frames, channels, bits), expected) << channels << " " << bits;
        }
    }
}

// Any other channel count than 1 mixes two channels; any other width than 8 reads 16 bits.
TEST_F(MixerTest, OddArgumentsMeanTwoChannelsAndSixteenBits) {
    const auto bytes = test::Int16Bytes({100, 300, -7, 8});
    EXPECT_EQ(Mix(bytes, 2, 5, 4), (std::vector<float>{200.0F, 0.5F}));
    EXPECT_EQ(Mix(bytes, 2, 0, 16), (std::vector<float>{200.0F, 0.5F}));
}

TEST_F(MixerTest, ChunksOfTwoThousandFrames) {
    std::mt19937 random(11);
    for (const std::uint32_t frames : {0U, 1U, 1999U, 2000U, 2001U, 4000U, 6543U}) {
        std::vector<std::int16_t> samples(2 * frames);
        for (auto& sample : samples) {
            sample = static_cast<std::int16_t>(random());
        }
        test::StageRun run;
        std::uint32_t count = 0;
        ASSERT_TRUE(
            Run(run, {dir.Write("in.raw", test::Int16Bytes(samples)), 0, frames}, 2, 16, count));
        std::vector<float> expected(frames);
        for (std::uint32_t f = 0; f < frames; ++f) {
            expected[f] =
                static_cast<float>(samples[2 * f]) / 2 + static_cast<float>(samples[2 * f + 1]) / 2;
        }
        EXPECT_EQ(test::ReadFloats(output), expected) << frames;
        EXPECT_EQ(test::ReadAll(output).size(), 4U * frames) << frames;
        const std::size_t chunks = (frames + 1999) / 2000;
        if (chunks == 0) {
            EXPECT_TRUE(run.progress.positions.empty());
        }
        if (chunks == 1) {
            EXPECT_EQ(run.progress.positions, std::vector<int>{3});
        }
        if (chunks >= 2) {
            EXPECT_EQ(run.progress.ShownPositions(), (std::vector<int>{3, 4})) << frames;
        }
    }
}

TEST_F(MixerTest, EmptyInputMakesAnEmptyFile) {
    test::StageRun run;
    std::uint32_t frames = 0;
    ASSERT_TRUE(Run(run, {dir.Write("in.raw", {}), 0, 0}, 1, 8, frames));
    EXPECT_TRUE(test::Exists(output));
    EXPECT_TRUE(test::ReadAll(output).empty());
    EXPECT_TRUE(run.progress.positions.empty());
}

// A PCM source is read from its data offset: its header never reaches the output, and the
// source, not consumed, is not removed.
TEST_F(MixerTest, SourceIsReadFromItsDataOffset) {
    const auto spec = test::PcmSpec(8000, 1, 8, {0x80, 0x81, 0x7F, 0xFF, 0x00});
    const auto bytes = spec.Build();
    const std::string source = dir.Write("source.wav", bytes);
    test::StageRun run;
    std::uint32_t frames = 0;
    ASSERT_TRUE(Run(run, {source, bytes.size() - 5, 5}, 1, 8, frames));
    EXPECT_EQ(test::ReadFloats(output), (std::vector<float>{0.0F, 1.0F, -1.0F, 127.0F, -128.0F}));
    EXPECT_EQ(test::ReadAll(source), bytes);
}

// Frames the file lacks are not made up: the mix ends with the last whole frame the file holds.
TEST_F(MixerTest, FramesTheFileLacksAreNotMadeUp) {
    auto values = Mix(std::vector<std::uint8_t>(2000 * 2 + 3, 0x10), 2500, 2, 8);
    ASSERT_EQ(values.size(), 2001U) << "half a frame is dropped";
    EXPECT_EQ(values[2000], -112.0F);
    values = Mix(test::Int16Bytes(std::vector<std::int16_t>(2100, 1000)), 2500, 1, 16);
    ASSERT_EQ(values.size(), 2100U);
    EXPECT_EQ(values[2099], 1000.0F);
}

TEST_F(MixerTest, CancelAtEveryReport) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(4 * 9001, 0x33));
    const int cancels = test::ExpectCancelAtEveryReport([] {}, Stage(input, 9001, 2), output);
    EXPECT_GE(cancels, 2);
    // Cancelled at the first report, one whole chunk has been written.
    test::StageRun run(1);
    EXPECT_FALSE(Stage(input, 9001, 2)(run));
    EXPECT_EQ(test::ReadAll(output).size(), 8000U);
}

TEST_F(MixerTest, EveryFileFaultGivesOneMessage) {
    const std::string input = dir.Write("in.raw", std::vector<std::uint8_t>(2 * 4001, 0x33));
    const auto failed = test::ExpectEveryFaultReported([] {}, Stage(input, 4001, 1));
    // The input is read in one piece. The output is written before each report: at the first
    // report and where the bar moves to 4 (and once more should 20 ms pass in between).
    test::ExpectFaultCounts(failed,
                            {{FileOperation::Open, 2},
                             {FileOperation::Read, 1},
                             {FileOperation::Write, 2},
                             {FileOperation::Seek, 1},
                             {FileOperation::Length, 1},
                             {FileOperation::Close, 2}},
                            1);
    EXPECT_TRUE(test::Exists(input));
}

}  // namespace
}  // namespace sonaro
