// Normalisation, fades and A-law encoding of the 8000 Hz stream, against a whole-file reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "convert/formats/alaw_encoder.h"
#include "convert/stages/4_normaliser.h"
#include "tests/convert/stage_test_support.h"
#include "tests/support/scratch_dir.h"

namespace sonaro {
namespace {

constexpr BarShare kBar{90, 8};

// The codes by the rule stated for the whole file at once: the fade-in covers the first 400
// samples, the fade-out the last 399 unless they lie in the first 2000; rounding half away from
// zero.
std::vector<std::uint8_t> Reference(const std::vector<float>& samples, float volume) {
    float peak = 0.0F;
    for (const float x : samples) {
        peak = std::max(peak, std::fabs(x));
    }
    const double step = 0.0025F;
    const std::size_t n = samples.size();
    std::vector<std::uint8_t> codes;
    for (std::size_t p = 0; p < n; ++p) {
        double fade = 1.0;
        if (p < 400) {
            fade = static_cast<double>(p) * step;
        } else if (p >= 2000 && n - p < 400) {
            fade = static_cast<double>(n - p) * step;
        }
        const double value =
            peak == 0.0F ? 0.0 : fade * ((double{samples[p]} / peak) * volume) * 32767;
        codes.push_back(EncodeALaw(static_cast<std::int16_t>(std::lround(value))));
    }
    return codes;
}

std::vector<float> RandomSamples(std::size_t n, unsigned seed, float scale = 1000.0F) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(-scale, scale);
    std::vector<float> samples(n);
    for (auto& sample : samples) {
        sample = value(random);
    }
    return samples;
}

class NormaliserTest : public ::testing::Test {
  protected:
    // Runs the stage on count samples of the input, consumed as the chain has it.
    bool Run(test::StageRun& run, std::uint32_t count, int level) {
        std::uint32_t codes = 0;
        const bool ok = run.Run(Normaliser(level), {{input, 0, count, true}, output, kBar}, codes);
        EXPECT_EQ(codes, ok ? count : 0U) << "the codes written";
        return ok;
    }

    // Runs the stage on these samples; answers the codes written.
    std::vector<std::uint8_t> Encode(const std::vector<float>& samples, int level) {
        test::StageRun run;
        Input(samples);
        EXPECT_TRUE(Run(run, static_cast<std::uint32_t>(samples.size()), level));
        EXPECT_TRUE(run.messages.empty());
        EXPECT_FALSE(test::Exists(input)) << "the consumed input is removed on success";
        return test::ReadAll(output);
    }

    std::string Input(const std::vector<float>& samples) {
        return dir.Write("SN_2_tmp.tmp", test::FloatBytes(samples));
    }

    // The stage on count samples of the input at level 10, as the cancel and fault runs call it.
    std::function<bool(test::StageRun&)> Stage(std::uint32_t count) {
        return [this, count](test::StageRun& run) { return Run(run, count, 10); };
    }

    test::ScratchDir dir;
    std::string input = dir.File("SN_2_tmp.tmp");
    std::string output = dir.File("SN_1_tmp.tmp");
};

TEST(Normaliser, VolumeFactors) {
    EXPECT_EQ(VolumeFactor(10), 1.0F);
    EXPECT_EQ(VolumeFactor(5), 0.5F);
    EXPECT_EQ(VolumeFactor(0), 0.0F);
    EXPECT_EQ(VolumeFactor(9), 0.9F);
    EXPECT_EQ(VolumeFactor(3), 0.3F);
}

TEST_F(NormaliserTest, WholeFilesMatchTheReference) {
    for (const std::size_t n : {1U, 399U, 400U, 1999U, 2000U, 2001U, 2100U, 4100U, 10000U}) {
        for (const int level : {10, 9, 5, 1}) {
            const auto samples = RandomSamples(n, static_cast<unsigned>(n + level));
            EXPECT_EQ(Encode(samples, level), Reference(samples, VolumeFactor(level)))
                << n << " at level " << level;
        }
    }
}

// The fade factor of sample p of n, block by block as the stage forms it.
double Fade(std::size_t p, std::size_t n) {
    const double step = 0.0025F;
    if (p < 2000) {
        return p < 400 ? static_cast<double>(p) * step : 1.0;
    }
    return n - p < 400 ? static_cast<double>(n - p) * step : 1.0;
}

// One sample scaled and rounded half away from zero: 0 for a zero peak or a value that is not a
// number, never beyond ±32767.
std::int16_t Scaled(float x, float peak, float volume, double fade) {
    const double value = fade * ((double{x} / peak) * volume) * 32767;
    if (peak == 0.0F || std::isnan(value)) {
        return 0;
    }
    const double rounded = value > 0 ? std::trunc(value + 0.5) : std::trunc(value - 0.5);
    return static_cast<std::int16_t>(std::clamp(rounded, -32767.0, 32767.0));
}

// The codes by the sample-by-sample rule, with the peak the stage finds (NaNs never count).
std::vector<std::uint8_t> CodesByTheRule(const std::vector<float>& samples, int level) {
    float maximum = 0.0F;
    float minimum = 0.0F;
    for (const float x : samples) {
        maximum = std::max(maximum, x);
        minimum = std::min(minimum, x);
    }
    const float peak = std::max(maximum, -minimum);
    std::vector<std::uint8_t> codes;
    for (std::size_t p = 0; p < samples.size(); ++p) {
        codes.push_back(
            EncodeALaw(Scaled(samples[p], peak, VolumeFactor(level), Fade(p, samples.size()))));
    }
    return codes;
}

// The stage's block loops against the per-sample rule on files with values that are not
// numbers, zeros of both signs, subnormals and exact peaks, with the fade-out inside the last
// block or across the last two.
TEST_F(NormaliserTest, BlocksMatchTheSampleBySampleRule) {
    for (const std::size_t n : {401U, 2399U, 4100U, 4300U, 6001U}) {
        auto samples = RandomSamples(n, static_cast<unsigned>(n), 30000.0F);
        for (std::size_t p = 0; p < n; p += 37) {
            const float specials[] = {std::nanf(""), -0.0F,    0.0F,      1e-40F,
                                      -1e-40F,       30000.0F, -30000.0F, 0.5F};
            samples[p] = specials[(p / 37) % 8];
        }
        for (const int level : {10, 3}) {
            EXPECT_EQ(Encode(samples, level), CodesByTheRule(samples, level))
                << n << " at level " << level;
        }
    }
}

// Scaled values exactly halfway between two integers (a peak of 32767 at full volume keeps most
// samples as they are), at both ends of the scale, and files whose peak is infinite, on the
// vector path and on the samples after the last whole vector.
TEST_F(NormaliserTest, HalfwaysAndInfinitiesFollowTheRule) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    std::vector<float> halfways(3007);
    for (std::size_t p = 0; p < halfways.size(); ++p) {
        const float k = static_cast<float>(p % 61) - 30.0F;
        halfways[p] = p % 5 == 0 ? 32767.0F - k * 0.5F : k + 0.5F;
    }
    halfways[100] = -32767.0F;
    std::size_t exact = 0;
    for (const float x : halfways) {
        const double value = (double{x} / 32767.0F) * 32767;
        exact += value - std::floor(value) == 0.5 ? 1 : 0;
    }
    EXPECT_GT(exact, 1000U) << "most values lie halfway";
    std::vector<float> infinite = RandomSamples(2411, 7);
    infinite[1234] = kInfinity;
    std::vector<float> both = infinite;
    both[777] = -kInfinity;
    both[1500] = std::nanf("");
    for (const auto& samples : {halfways, infinite, both}) {
        for (const int level : {10, 7}) {
            EXPECT_EQ(Encode(samples, level), CodesByTheRule(samples, level))
                << samples.size() << " samples at level " << level;
        }
    }
}

TEST_F(NormaliserTest, LoudestSampleIsFullScale) {
    auto samples = RandomSamples(3000, 1);
    samples[1000] = 1500.0F;
    auto codes = Encode(samples, 10);
    EXPECT_EQ(codes[0], 0xD5) << "the first sample fades from 0";
    EXPECT_EQ(codes[1000], 0xAA);
    EXPECT_EQ(codes[1000], EncodeALaw(32767));
    EXPECT_EQ(Encode(samples, 5)[1000], EncodeALaw(16384));

    samples[1000] = -1500.0F;
    codes = Encode(samples, 10);
    EXPECT_EQ(codes[1000], 0x2A);
    EXPECT_EQ(codes[1000], EncodeALaw(-32767));
}

TEST_F(NormaliserTest, SilenceAndVolumeZeroGiveSilentCodes) {
    EXPECT_EQ(Encode(std::vector<float>(2345, 0.0F), 10), std::vector<std::uint8_t>(2345, 0xD5));
    EXPECT_EQ(Encode(RandomSamples(2345, 2), 0), std::vector<std::uint8_t>(2345, 0xD5));
}

// With one block the last sample is not faded; with 2100 samples the fade-out covers only the
// 100 samples of the second block and starts at 0.25.
TEST_F(NormaliserTest, FadeOutOnlyOutsideTheFirstBlock) {
    auto samples = std::vector<float>(2000, 100.0F);
    auto codes = Encode(samples, 10);
    EXPECT_EQ(codes[1999], 0xAA);
    EXPECT_EQ(codes[400], 0xAA);
    EXPECT_EQ(codes[399], EncodeALaw(Scaled(1.0F, 1.0F, 1.0F, 399 * double{0.0025F})));

    samples.assign(2100, 100.0F);
    codes = Encode(samples, 10);
    EXPECT_EQ(codes[1999], 0xAA);
    EXPECT_EQ(codes[2000], EncodeALaw(8192)) << "0.25 × 32767 = 8191.75";
    EXPECT_EQ(codes[2099], EncodeALaw(82)) << "0.0025 × 32767 = 81.9";
}

TEST_F(NormaliserTest, EmptyInput) {
    EXPECT_TRUE(Encode({}, 10).empty());
    EXPECT_TRUE(test::Exists(output));
}

// The peak pass takes the first five eighths of the share (90 to 94), encoding the rest (95 to
// 97): at every report of the peak pass the output is still empty.
TEST_F(NormaliserTest, BarPositions) {
    test::StageRun run(0, output);
    Input(RandomSamples(10000, 3));
    ASSERT_TRUE(Run(run, 10000, 7));
    std::vector<int> passes[2];
    for (std::size_t r = 0; r < run.progress.positions.size(); ++r) {
        std::vector<int>& pass = passes[run.progress.sizesAtReport[r] > 0 ? 1 : 0];
        if (pass.empty() || pass.back() != run.progress.positions[r]) {
            pass.push_back(run.progress.positions[r]);
        }
    }
    EXPECT_EQ(passes[0], (std::vector<int>{90, 91, 92, 93, 94}));
    EXPECT_EQ(passes[1], (std::vector<int>{95, 96, 97}));
}

// A cancel in the peak pass leaves an empty output; one in the encoding pass leaves the blocks
// already written.
TEST_F(NormaliserTest, CancelAtEveryReport) {
    const auto samples = RandomSamples(4100, 4);
    const int cancels =
        test::ExpectCancelAtEveryReport([&] { Input(samples); }, Stage(4100), output);
    EXPECT_GE(cancels, 6);

    test::StageRun first(1);
    Input(samples);
    EXPECT_FALSE(Run(first, 4100, 10));
    EXPECT_TRUE(test::Exists(output));
    EXPECT_TRUE(test::ReadAll(output).empty());
    EXPECT_TRUE(test::Exists(input)) << "a failed stage leaves its input";

    test::StageRun full;
    Input(samples);
    ASSERT_TRUE(Run(full, 4100, 10));
    const auto& positions = full.progress.positions;
    const auto encoding = std::find(positions.begin(), positions.end(), 95) - positions.begin();
    test::StageRun second(static_cast<int>(encoding) + 1);
    Input(samples);
    EXPECT_FALSE(Run(second, 4100, 10));
    EXPECT_EQ(test::ReadAll(output).size(), 2000U);
}

TEST_F(NormaliserTest, EveryFileFaultGivesOneMessage) {
    const auto samples = RandomSamples(4100, 5);
    const auto failed = test::ExpectEveryFaultReported([&] { Input(samples); }, Stage(4100));
    // Each pass reads the file in one piece; the codes are written before every report, and
    // the bar moves at each of the three blocks.
    EXPECT_EQ(failed, (std::map<FileOperation, int>{{FileOperation::Open, 2},
                                                    {FileOperation::Read, 2},
                                                    {FileOperation::Write, 3},
                                                    {FileOperation::Seek, 1},
                                                    {FileOperation::Close, 2},
                                                    {FileOperation::Remove, 1}}));
}

}  // namespace
}  // namespace sonaro
