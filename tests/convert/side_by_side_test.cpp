// The mix run beside the resampler, which reads its file as it grows (a team of two threads),
// and a Microsoft ADPCM decoder beside the mix: the same bytes and the same failures as the
// stages one after the other, whichever side fails or is stopped, at any point, and nothing left
// behind: no file, no open descriptor.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "convert/codecs/no_codec_manager.h"
#include "convert/files/temp_directory.h"
#include "convert/operations/operations.h"
#include "convert/stages/growing_file.h"
#include "convert/stages/side_by_side.h"
#include "convert/stages/stage_work.h"
#include "tests/support/fault_injection.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

// Stereo Microsoft ADPCM at 44100 Hz, 40 blocks of 1012 frames; from block `broken` on, a
// predictor out of range.
std::vector<std::uint8_t> Adpcm(std::uint8_t broken = 40) {
    std::vector<std::uint8_t> data;
    for (std::uint8_t i = 0; i < 40; ++i) {
        std::vector<std::uint8_t> block(1024, static_cast<std::uint8_t>(0x35 + i));
        block[0] = i < broken ? i % 7 : 7;  // the channels' predictors
        block[1] = (i + 3) % 7;
        data.insert(data.end(), block.begin(), block.end());
    }
    return test::AdpcmSpec(44100, 2, 1024, 1012, data).Build();
}

// Three seconds of stereo noise at 22050 Hz: the mix writes its file in many pieces.
std::vector<std::uint8_t> Noise() {
    std::vector<std::int16_t> samples(2 * 66150);
    std::uint32_t state = 12345;
    for (std::int16_t& sample : samples) {
        state = state * 1664525U + 1013904223U;
        sample = static_cast<std::int16_t>(state >> 16);
    }
    return test::Pcm16Spec(22050, 2, samples).Build();
}

// A file operation made to fail: its nth occurrence in the conversion.
struct Fault {
    FileOperation operation;
    int nth;
};

// The descriptors the process has open.
std::size_t OpenDescriptors() {
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

struct Ending {
    std::optional<std::vector<std::uint8_t>> result;  // the A-law file, when converted
    std::string failure;
    std::vector<int> shown;
    bool fired = false;  // the fault, if any
    int reports = 0;
};

class SideBySide : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("TMPDIR", tempRoot.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    // Converts the file with that many resampling threads (two: the mix beside the resampler),
    // stopped at a report or with a fault.
    Ending Convert(const std::string& input, unsigned threads, int stopAtReport = 0,
                   std::optional<Fault> fault = std::nullopt) {
        Ending run;
        const Outcome<SoundDescription> source = OpenSound(input, codecs);
        EXPECT_TRUE(source) << source.failure().Text();
        TempDirectory directory;
        test::ScriptedProgress progress(stopAtReport);
        std::optional<test::ScopedFault> injected;
        if (fault) {
            injected.emplace(fault->operation, EIO, fault->nth);
        }
        const std::size_t descriptors = OpenDescriptors();
        const Outcome<SoundDescription> result =
            ConvertSound(*source, {10, directory, codecs, threads}, progress);
        // Every file closed, those consumed on the side too.
        EXPECT_EQ(OpenDescriptors(), descriptors);
        run.fired = injected && injected->fired();
        injected.reset();
        run.shown = progress.ShownPositions();
        run.reports = progress.reports;
        if (result) {
            run.result = test::ReadAll(result->path);
        } else {
            run.failure = result.failure().Text();
            EXPECT_TRUE(tempRoot.ListBelow().size() <= 1U) << "only the private directory";
        }
        return run;
    }

    test::ScratchDir tempRoot;
    test::ScratchDir dir;
    NoCodecManager codecs;
    const std::string noise = dir.Write("noise.wav", Noise());
    // The decoder beside the mix beside the resampler.
    const std::string adpcm = dir.Write("adpcm.wav", Adpcm());
};

TEST_F(SideBySide, SameBytesAsOneAfterTheOtherAndTheBarBeginsWithTheResampler) {
    const std::string inputs[] = {
        noise,
        dir.Write("eight.wav",
                  test::PcmSpec(11025, 1, 8, std::vector<std::uint8_t>(30000, 0x90)).Build()),
        adpcm,
    };
    for (const std::string& input : inputs) {
        const Ending alone = Convert(input, 1);
        const Ending beside = Convert(input, 2);
        ASSERT_TRUE(alone.result && beside.result) << input << ": " << alone.failure;
        EXPECT_EQ(*beside.result, *alone.result) << input;
        // The bar as one after the other, without the positions of the decoding and the mix
        // (0-4), which run beside the resampler.
        std::vector<int> withoutMix;
        std::copy_if(alone.shown.begin(), alone.shown.end(), std::back_inserter(withoutMix),
                     [](int position) { return position >= 5; });
        EXPECT_NE(withoutMix, alone.shown) << input;
        EXPECT_EQ(beside.shown, withoutMix) << input;
    }
}

// Each file operation failing in turn, on either side: the failure is the cause's, told once,
// and a run the fault did not stop gives the same bytes.
TEST_F(SideBySide, EveryFileFaultOnEitherSide) {
    for (const std::string& input : {noise, adpcm}) {
        const Ending alone = Convert(input, 1);
        ASSERT_TRUE(alone.result);
        for (const FileOperation operation :
             {FileOperation::Open, FileOperation::Read, FileOperation::Write, FileOperation::Length,
              FileOperation::Seek, FileOperation::Close, FileOperation::Remove}) {
            int nth = 1;
            for (bool fired = true; fired && nth < 400; ++nth) {
                const Ending run = Convert(input, 2, 0, Fault{operation, nth});
                fired = run.fired;
                if (!run.result) {
                    EXPECT_TRUE(fired);
                    EXPECT_EQ(run.failure, "Hardware error.")
                        << input << ": operation " << static_cast<int>(operation) << ", occurrence "
                        << nth;
                } else {
                    EXPECT_EQ(*run.result, *alone.result);
                }
            }
            EXPECT_GT(nth, 2) << "operation " << static_cast<int>(operation) << " never happens";
        }
    }
}

// A decoder that fails midway, beside the mix and the resampler, is the failure told.
TEST_F(SideBySide, ADecoderFailingMidwayIsTheFailure) {
    const std::string broken = dir.Write("broken.wav", Adpcm(25));
    for (const unsigned threads : {1U, 2U}) {
        const Ending run = Convert(broken, threads);
        EXPECT_FALSE(run.result);
        EXPECT_EQ(run.failure, "ADPCM predictor out of range.") << threads << " threads";
    }
}

// A stop at any report ends every side: the conversion is cancelled, nothing is left.
TEST_F(SideBySide, CancelAtEveryReportStopsBothSides) {
    for (const std::string& input : {noise, adpcm}) {
        const Ending whole = Convert(input, 2);
        ASSERT_TRUE(whole.result);
        ASSERT_GT(whole.reports, 80);
        for (int report = 1; report <= whole.reports; ++report) {
            const Ending run = Convert(input, 2, report);
            EXPECT_FALSE(run.result) << input << ", report " << report;
            EXPECT_EQ(run.failure, "Conversion cancelled.") << input << ", report " << report;
        }
    }
}

// A writer that has written all it promised but reports once more after its reader is done: it
// is not taken for stopped, and the run succeeds.
class SlowToEnd final : public Stage {
  public:
    Outcome<std::uint32_t> Run(const StageCall& call, ProgressPort& progress) const override {
        StageWork stage(call, progress);
        return stage.Run([&]() -> StageWork::Count {
            stage.output().Reserve(400);
            stage.output().Open(call.output);
            stage.Promise(100, 4);
            std::fill_n(stage.output().Next(400), 400, 1);
            stage.output().Flush();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (stage.Cancelled(1, 1)) {
                return std::nullopt;
            }
            stage.Finish();
            return 100U;
        });
    }
};

TEST(RunSideBySide, AWriterStillReportingWhenItsReaderIsDoneIsNotStopped) {
    test::ScratchDir dir;
    test::ScriptedProgress progress;
    const Outcome<std::uint32_t> run = RunSideBySide(
        SlowToEnd(), {{dir.File("none"), 0, 0, false}, dir.File("grown"), {0, 5}},
        [](std::uint32_t frames, GrowingFile& file, ProgressPort&) -> Outcome<std::uint32_t> {
            file.AwaitBytes(std::uint64_t{frames} * 4);
            return frames;
        },
        progress);
    ASSERT_TRUE(run) << run.failure().Text();
    EXPECT_EQ(*run, 100U);
}

// A reader waiting for 100 bytes is held until the writer's file has them or the writer ended;
// one waiting for the file until it exists, or the writer ended without making it.
TEST(GrowingFile, AReaderWaitsUntilTheBytesAreThereOrTheWriterEnded) {
    using namespace std::chrono_literals;
    struct Case {
        std::uint64_t grown;
        int ending;  // 0: none, 1: failed, 2: complete
        bool released;
    };
    for (const Case c :
         {Case{99, 0, false}, Case{100, 0, true}, Case{0, 1, true}, Case{50, 2, true}}) {
        GrowingFile file;
        std::atomic<bool> released{false};
        std::thread reader([&] {
            file.AwaitBytes(100);
            released = true;
        });
        std::this_thread::sleep_for(20ms);
        EXPECT_FALSE(released) << "before the writer";
        file.Grew(c.grown);
        if (c.ending != 0) {
            file.Ended(c.ending == 2);
        }
        for (int i = 0; i < 200 && released != c.released; ++i) {
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(released, c.released) << c.grown << ", ending " << c.ending;
        EXPECT_EQ(file.WriterFailed(), c.ending == 1);
        EXPECT_EQ(file.AskToStop(), c.ending != 0);
        EXPECT_TRUE(file.StopAsked());
        file.Ended(false);
        reader.join();
    }
    GrowingFile made;
    made.Created(1234, 4936);
    EXPECT_EQ(made.AwaitCreated(), 1234U);
    EXPECT_EQ(made.PromisedBytes(), 4936U);
    GrowingFile failed;
    failed.Ended(false);
    EXPECT_EQ(failed.AwaitCreated(), std::nullopt);
    EXPECT_EQ(failed.PromisedBytes(), 0U);
}

}  // namespace
}  // namespace sonaro
