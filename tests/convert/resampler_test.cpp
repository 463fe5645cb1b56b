// The resampling stage: output lengths, exact values against a slow direct computation at every
// rate, the copy path, windows and blocks, progress, cancel, file faults, and what the filter
// does to DC and sines.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <numbers>
#include <numeric>
#include <random>

#include "convert/files/file.h"
#include "convert/resampler/filter_tables.h"
#include "convert/resampler/polyphase_filter.h"
#include "convert/stages/3_resampler.h"
#include "tests/convert/resampling_reference.h"
#include "tests/convert/stage_test_support.h"
#include "tests/support/fault_injection.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_progress.h"

namespace sonaro {
namespace {

using test::DirectResample;
using test::kRates;
using test::Noise;
using test::OrderSensitive;
using test::Rate;
using test::RateOf;
using test::Sine;

constexpr BarShare kBar{5, 85};

// One call of the stage on an input file made from samples, with what it showed and left.
struct ResampleResult {
    bool ok = false;
    std::uint32_t count = 0;
    std::vector<std::string> messages;
    test::ScriptedProgress progress;
    bool inputLeft = false;
    bool outputMade = false;
    std::vector<float> output;
};

class Resampling : public ::testing::Test {
  protected:
    ResampleResult Resample(const std::vector<float>& input, std::uint32_t rate,
                            int stopAtReport = 0, std::uint32_t claimedCount = 0xFFFFFFFF,
                            unsigned threads = 0) {
        dir_.Write("in.f32", test::FloatBytes(input));
        const std::uint32_t count =
            claimedCount == 0xFFFFFFFF ? static_cast<std::uint32_t>(input.size()) : claimedCount;
        test::StageRun stage(stopAtReport);
        ResampleResult run;
        run.ok = Run(stage, count, rate, threads, run.count);
        run.messages = stage.messages;
        run.progress = stage.progress;
        run.inputLeft = test::Exists(in());
        run.outputMade = test::Exists(out());
        if (run.outputMade) {
            run.output = test::ReadFloats(out());
        }
        return run;
    }
    // The stage on count samples of the input, consumed as the chain has it.
    bool Run(test::StageRun& run, std::uint32_t count, std::uint32_t rate, unsigned threads,
             std::uint32_t& outputs) const {
        return run.Run(Resampler(rate, threads), {{in(), 0, count, true}, out(), kBar}, outputs);
    }
    std::string in() const { return dir_.File("in.f32"); }
    std::string out() const { return dir_.File("out.f32"); }

    test::ScratchDir dir_;
};

using test::SameBits;

TEST_F(Resampling, OneSecondGivesTheKnownLengths) {
    const struct {
        std::uint32_t rate;
        std::uint32_t outputs;
    } cases[] = {{16000, 8240}, {44100, 8255}, {11025, 8254},
                 {48000, 8237}, {12000, 8237}, {32000, 8238}};
    for (const auto& c : cases) {
        const ResampleResult run = Resample(Noise(c.rate, c.rate), c.rate);
        EXPECT_TRUE(run.ok) << c.rate;
        EXPECT_EQ(run.count, c.outputs) << c.rate;
        EXPECT_EQ(run.output.size(), c.outputs) << c.rate;
        EXPECT_FALSE(run.inputLeft) << "the consumed input goes on success";
        EXPECT_TRUE(run.messages.empty());
    }
}

TEST_F(Resampling, MatchesTheDirectComputationBitForBitAtEveryRate) {
    // Short lengths, lengths around the blocks of 2000 outputs, and a long one.
    for (const Rate& rate : kRates) {
        for (const std::size_t length : {1U, 2U, 3U, 17U, 3999U, 4000U, 4001U, 12345U}) {
            const std::vector<float> input = OrderSensitive(length, rate, rate.rate + length);
            const ResampleResult run = Resample(input, rate.rate);
            ASSERT_TRUE(run.ok);
            EXPECT_EQ(run.count, run.output.size());
            EXPECT_TRUE(SameBits(run.output, DirectResample(input, rate)))
                << rate.rate << " Hz, " << length << " samples";
        }
    }
}

TEST_F(Resampling, LongInputsMatchThePlainLoopWithAnyNumberOfThreads) {
    // Several windows of input, the last one partly filled.
    const std::size_t length = 2 * kResamplerWindowSamples + 12345;
    for (const Rate& rate : kRates) {
        const std::vector<float> input = OrderSensitive(length, rate, rate.rate);
        const std::vector<float> expected = test::ScalarResample(input, rate);
        for (const unsigned threads : {1U, 2U, 3U}) {
            const ResampleResult run = Resample(input, rate.rate, 0, 0xFFFFFFFF, threads);
            ASSERT_TRUE(run.ok);
            EXPECT_EQ(run.count, expected.size());
            EXPECT_TRUE(SameBits(run.output, expected)) << rate.rate << " Hz, " << threads;
        }
    }
}

TEST_F(Resampling, SingleSampleGivesEveryOtherTap) {
    const FilterTable& table = *FindFilterTable(16000);
    const float x = -1234.5f;
    const ResampleResult run = Resample({x}, 16000);
    ASSERT_TRUE(run.ok);
    ASSERT_EQ(run.count, 241U);
    std::vector<float> expected;
    for (std::uint32_t i = 0; i < table.size; i += 2) {
        expected.push_back(static_cast<float>(static_cast<double>(table.taps[i]) * x));
    }
    EXPECT_TRUE(SameBits(run.output, expected));
}

// The copy hands back the input's count without a report, and keeps the input though it is
// consumed: the next stage overwrites it.
TEST_F(Resampling, EightKilohertzInputsAreCopied) {
    for (const std::uint32_t rate : {8000U, 8012U}) {
        const std::vector<float> input = Noise(4321, rate);
        const ResampleResult run = Resample(input, rate);
        EXPECT_TRUE(run.ok);
        EXPECT_EQ(run.count, 4321U);
        EXPECT_TRUE(run.inputLeft) << "the copy path removes nothing, consumed or not";
        EXPECT_EQ(test::ReadAll(out()), test::FloatBytes(input));
        EXPECT_TRUE(run.progress.positions.empty()) << "the bar does not move";
        EXPECT_TRUE(run.messages.empty());
    }
}

TEST_F(Resampling, CopyOfAMissingInputIsReportedByTheCopy) {
    test::StageRun run;
    std::uint32_t count = 0;
    EXPECT_FALSE(Run(run, 10, 8000, 0, count));
    EXPECT_EQ(run.messages, std::vector<std::string>{"Temporary file removed! Unable to save."});
}

// Whole blocks of 2000 outputs, 32 at a time, and a last partial block at the end.
TEST_F(Resampling, OutputIsWrittenInWholeBlocksOf2000) {
    // At 16000 Hz, n inputs give ceil((481 + n - 1) / 2) outputs.
    const struct {
        std::size_t inputs;
        std::uint32_t outputs;
        int writes;
    } cases[] = {{127520, 64000, 1}, {127522, 64001, 2}, {255520, 128000, 2}, {3517, 1999, 1}};
    for (const auto& c : cases) {
        const std::vector<float> input = Noise(c.inputs, 3);
        test::ScopedFault writes(FileOperation::Write, ENOSPC, 1000000, "out.f32");
        const ResampleResult run = Resample(input, 16000);
        ASSERT_TRUE(run.ok);
        EXPECT_EQ(run.count, c.outputs);
        EXPECT_EQ(writes.seen(), c.writes) << "whole last writes need no partial one";
        EXPECT_TRUE(SameBits(run.output, DirectResample(input, RateOf(16000))));
    }
}

TEST_F(Resampling, BarRunsThroughEveryPositionFromFiveOn) {
    const std::vector<float> input = Noise(5000, 4);
    const ResampleResult run = Resample(input, 44100);
    ASSERT_TRUE(run.ok);
    // The last output has k = 11 (n_out - 1) of total = 2601 + 2 * 4999.
    const std::uint64_t total = 2601 + 2 * 4999;
    const int last = 5 + static_cast<int>(85.0 * 11.0 * (run.count - 1) / total);
    std::vector<int> expected(static_cast<std::size_t>(last - 4));
    std::iota(expected.begin(), expected.end(), 5);
    EXPECT_EQ(run.progress.ShownPositions(), expected);
    EXPECT_EQ(last, 89);
}

// The first output at 16000 Hz of 300000 inputs (total = 481 + 299999) whose bar position is p.
std::size_t FirstOutputAt(int p) {
    const std::uint64_t total = 481 + 299999;
    const std::uint64_t k = (static_cast<std::uint64_t>(p - 5) * total + 84) / 85;
    return static_cast<std::size_t>((k + 1) / 2);
}

TEST_F(Resampling, CancelKeepsOnlyTheBlocksWritten) {
    const std::vector<float> input = Noise(300000, 5);  // 150240 outputs at 16000 Hz
    const std::vector<float> all = DirectResample(input, RateOf(16000));
    constexpr std::size_t kWrite = 32 * 2000;  // outputs written at a time
    for (const int report : {20, 60, 80}) {
        const ResampleResult run = Resample(input, 16000, report);
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(run.messages, std::vector<std::string>{"Conversion cancelled."});
        EXPECT_TRUE(run.inputLeft);
        ASSERT_TRUE(run.outputMade);
        EXPECT_EQ(run.output.size() % kWrite, 0U);
        // The stop comes right after the output at which the last position was reported (its
        // first output, or a later one for a report made because time passed), before the next
        // position is reached. Only the whole writes before it were made.
        const int position = run.progress.positions.back();
        EXPECT_GE(run.output.size(), FirstOutputAt(position) / kWrite * kWrite) << report;
        EXPECT_LE(run.output.size(), FirstOutputAt(position + 1)) << report;
        EXPECT_TRUE(
            SameBits(run.output, std::vector<float>(all.begin(), all.begin() + run.output.size())));
    }
}

TEST_F(Resampling, EveryFileFaultIsReportedOnce) {
    // At 22050 Hz a window of input serves about 0.97 of its length: 4 windows or more.
    const auto length = static_cast<std::uint32_t>(4 * kResamplerWindowSamples);
    const std::vector<float> input = Noise(length, 6);
    const std::uint64_t outputs = (2601 + 4 * std::uint64_t{length - 1} + 10) / 11;
    std::uint32_t count = 0;
    // Reads made by another thread, ahead of the span before them, are reported the same way.
    for (const unsigned threads : {1U, 2U}) {
        const auto failed = test::ExpectEveryFaultReported(
            [&] { dir_.Write("in.f32", test::FloatBytes(input)); },
            [&](test::StageRun& run) { return Run(run, length, 22050, threads, count); });
        EXPECT_EQ(failed.at(FileOperation::Open), 2);
        EXPECT_GE(failed.at(FileOperation::Read), 5);
        EXPECT_EQ(failed.count(FileOperation::Seek), 0U) << "windows are read at their position";
        EXPECT_EQ(failed.at(FileOperation::Write), static_cast<int>((outputs + 63999) / 64000));
        EXPECT_EQ(failed.at(FileOperation::Close), 2);
        EXPECT_EQ(failed.at(FileOperation::Remove), 1);
    }
}

// Two threads read and compute spans side by side; a read that fails is still reported after
// the outputs of every span before it were passed on: the bar has reached all the positions it
// would have reached reading span after span, up to the failing span's first output, and no
// further. Spans are taken in order and each reads once, but the two threads read in either
// order: read n belongs to a span no later than n - 1 + 1 (one taken, not yet read, by the other
// thread).
TEST_F(Resampling, ReadFailureOfATeamComesAfterTheSpansBeforeIt) {
    const std::vector<float> input = Noise(300000, 5);  // 150240 outputs at 16000 Hz
    const ResampleResult whole = Resample(input, 16000, 0, 0xFFFFFFFF, 2);
    ASSERT_TRUE(whole.ok);
    const PolyphaseFilter filter(*FindFilterTable(16000), 1, 2, ResamplerWindowSamples(2), 2);
    const std::uint64_t spans = (whole.count + filter.spanSize() - 1) / filter.spanSize();
    ASSERT_GE(spans, 5U) << "five spans or more, each read once";
    // The positions shown when span f fails.
    const auto before = [&](std::uint64_t f) {
        std::vector<int> positions;
        for (const int position : whole.progress.ShownPositions()) {
            if (FirstOutputAt(position) < f * filter.spanSize()) {
                positions.push_back(position);
            }
        }
        return positions;
    };
    for (const std::uint64_t failing : {1U, 2U, 3U, 4U}) {
        for (int attempt = 0; attempt < 6; ++attempt) {
            test::ScopedFault reads(FileOperation::Read, EIO, static_cast<int>(failing), "in.f32");
            const ResampleResult run = Resample(input, 16000, 0, 0xFFFFFFFF, 2);
            EXPECT_FALSE(run.ok);
            EXPECT_EQ(run.messages, std::vector<std::string>{"Hardware error."});
            const std::vector<int> shown = run.progress.ShownPositions();
            bool matched = false;
            for (std::uint64_t f = 0; f <= failing && !matched; ++f) {
                matched = shown == before(f);
            }
            EXPECT_TRUE(matched) << "read " << failing << " fails, " << shown.size() << " shown";
        }
    }
}

// A second thread pays only for an input of more than about 50 s (the 48 kHz filter: 1421
// multiply-adds per output, 2^29 in all from 2,266,878 inputs).
TEST(ResamplerThreads, OneForShortInputsTheTeamsShareOtherwise) {
    const struct {
        std::uint32_t inputs;
        std::uint32_t rate;
        unsigned asked;
        unsigned threads;
    } cases[] = {{2266877, 48000, 0, 1}, {2266878, 48000, 0, 0}, {48000, 48000, 3, 3},
                 {2646000, 44100, 0, 0}, {441000, 44100, 0, 1},  {10, 44101, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(ResamplerThreads(c.inputs, c.rate, c.asked), c.threads) << c.inputs;
    }
}

// Each thread of a team has a window of its own; larger teams get shorter ones.
TEST(ResamplerThreads, WindowsOfEachThread) {
    const struct {
        unsigned threads;
        std::size_t samples;
    } cases[] = {{1, 16384}, {2, 32768}, {3, 21845}, {4, 16384}, {8, 16384}, {16, 16384}};
    for (const auto& c : cases) {
        EXPECT_EQ(ResamplerWindowSamples(c.threads), c.samples) << c.threads;
    }
}

TEST_F(Resampling, FailureLeavesTheInput) {
    for (const FileOperation operation : {FileOperation::Write, FileOperation::Remove}) {
        test::ScopedFault fault(operation, EIO);
        EXPECT_FALSE(Resample(Noise(100, 9), 16000).ok);
        EXPECT_TRUE(test::Exists(in()));
    }
}

TEST_F(Resampling, CancelAtAnyReportStopsWriting) {
    const std::vector<float> input = Noise(9000, 10);
    std::uint32_t count = 0;
    for (const unsigned threads : {1U, 2U}) {
        const int reports = test::ExpectCancelAtEveryReport(
            [&] { dir_.Write("in.f32", test::FloatBytes(input)); },
            [&](test::StageRun& run) { return Run(run, 9000, 48000, threads, count); }, out());
        EXPECT_GE(reports, 85) << threads;
    }
}

TEST_F(Resampling, RateWithoutFilterIsRefusedBeforeAnyFileIsTouched) {
    const ResampleResult run = Resample(Noise(100, 7), 44101);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.messages, std::vector<std::string>{"File is invalid for conversion."});
    EXPECT_FALSE(run.outputMade);
    EXPECT_TRUE(run.inputLeft);
}

TEST_F(Resampling, EmptyInputGivesEmptyOutput) {
    const ResampleResult run = Resample({}, 44100);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.count, 0U);
    EXPECT_TRUE(run.outputMade);
    EXPECT_TRUE(run.output.empty());
    EXPECT_FALSE(run.inputLeft);
}

TEST_F(Resampling, InputShorterThanItsCountReadsAsZeros) {
    std::vector<float> input = Noise(5000, 8);
    const ResampleResult run =
        Resample(std::vector<float>(input.begin(), input.begin() + 4500), 32000, 0, 5000);
    ASSERT_TRUE(run.ok);
    std::fill(input.begin() + 4500, input.end(), 0.0f);
    EXPECT_TRUE(SameBits(run.output, DirectResample(input, RateOf(32000))));
}

// The steady part of an output: without the filter's lead-in and run-out.
std::vector<float> Steady(const std::vector<float>& output, const Rate& rate) {
    const std::size_t edge = FindFilterTable(rate.filterRate)->size / rate.down + 1;
    return std::vector<float>(output.begin() + static_cast<std::ptrdiff_t>(edge),
                              output.end() - static_cast<std::ptrdiff_t>(edge));
}

// The amplitude of the sine of this frequency in the samples, by least squares.
double SineAmplitude(const std::vector<float>& y, double frequency, double rate) {
    double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
    for (std::size_t n = 0; n < y.size(); ++n) {
        const double phase = 2.0 * std::numbers::pi * frequency * static_cast<double>(n) / rate;
        const double c = std::cos(phase), s = std::sin(phase);
        cc += c * c, ss += s * s, cs += c * s, yc += y[n] * c, ys += y[n] * s;
    }
    const double det = cc * ss - cs * cs;
    const double a = (yc * ss - ys * cs) / det, b = (ys * cc - yc * cs) / det;
    return std::hypot(a, b);
}

TEST_F(Resampling, DirectCurrentIsRemoved) {
    for (const Rate& rate : kRates) {
        const ResampleResult run = Resample(std::vector<float>(rate.rate, 1000.0f), rate.rate);
        ASSERT_TRUE(run.ok);
        for (const float v : Steady(run.output, rate)) {
            ASSERT_LT(std::fabs(v), 0.003f * 1000.0f) << rate.rate;
        }
    }
}

TEST_F(Resampling, SinesInThePassBandKeepTheirAmplitudeOverUp) {
    for (const Rate& rate : kRates) {
        const double outputRate = static_cast<double>(rate.rate) * rate.up / rate.down;
        const ResampleResult run = Resample(Sine(rate.rate, 1000.0, rate.rate, 10000.0), rate.rate);
        ASSERT_TRUE(run.ok);
        const double amplitude = SineAmplitude(Steady(run.output, rate), 1000.0, outputRate);
        EXPECT_NEAR(amplitude * rate.up / 10000.0, 1.0, 0.002) << rate.rate;
    }
}

TEST_F(Resampling, SinesInTheStopBandsLoseMoreThan55Decibels) {
    for (const Rate& rate : kRates) {
        const double outputRate = static_cast<double>(rate.rate) * rate.up / rate.down;
        for (const double frequency : {30.0, 4100.0}) {
            const ResampleResult run =
                Resample(Sine(2 * rate.rate, frequency, rate.rate, 10000.0), rate.rate);
            ASSERT_TRUE(run.ok);
            const double amplitude =
                SineAmplitude(Steady(run.output, rate), frequency, outputRate) * rate.up;
            EXPECT_LT(20.0 * std::log10(amplitude / 10000.0), -55.0)
                << rate.rate << " Hz input, " << frequency << " Hz sine";
        }
    }
}

}  // namespace
}  // namespace sonaro
