#include "import/sandboxed_importer.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "convert/codecs/no_codec_manager.h"
#include "convert/formats/little_endian.h"
#include "convert/operations/format_record.h"
#include "convert/operations/wave_reader.h"
#include "import/import_plan.h"
#include "tests/support/fault_injection.h"
#include "tests/support/import_outcome.h"
#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_progress.h"

namespace sonaro {
namespace {

using test::ImportOutcome;
using test::OutcomeOf;
using test::Status;

// Every input is made in a scratch directory, by sox and ffmpeg or by libsndfile, under the name
// "in"; the import writes "out.wav" beside it. One importer serves a test's imports, each after
// the first with the decoder started ahead.
class ImportTest : public ::testing::Test {
  protected:
    void Make(const std::string& command) {
        const auto run = test::RunShellIn(dir.path(), command);
        ASSERT_EQ(run.exitCode, 0) << command << "\n" << run.err;
    }
    ImportOutcome Import(int cancelAtPump = 0) {
        test::ScriptedProgress bar(cancelAtPump);
        const ImportOutcome outcome = OutcomeOf(importer.Import(dir.File("in"), out, bar));
        positions = bar.positions;
        return outcome;
    }
    // The result's 16-bit samples, after the strict reader has accepted it as 16-bit PCM.
    std::vector<std::int16_t> Accepted() {
        NoCodecManager codecs;
        const Outcome<SoundDescription> read = WaveReader(codecs).Read(out);
        EXPECT_TRUE(read);
        record = read ? RecordOf(*read) : FormatRecord{};
        EXPECT_EQ(record.bitsPerSample, 16);
        const auto bytes = test::ReadAll(out);
        std::vector<std::int16_t> samples(record.dataSize / 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(LoadLE16(&bytes[record.dataOffset + 2 * i]));
        }
        return samples;
    }

    test::ScratchDir dir;
    std::string out = dir.File("out.wav");
    SandboxedImporter importer{SONARO_DECODER};
    FormatRecord record;
    std::vector<int> positions;
};

// Names each case of a table after its row.
constexpr auto kCaseName = [](const auto& row) { return std::string(row.param.name); };

constexpr const char* kTone = "sox -n -r 44100 -c 2 -b 16 plain.wav synth 0.5 sine 440 sine 660";
constexpr const char* kTone8 = "sox -n -r 8000 -c 1 -b 8 plain.wav synth 101s sine 300";

struct ExactCase {
    const char* name;
    const char* plain;
    const char* input;
};

class ExactImportTest : public ImportTest, public ::testing::WithParamInterface<ExactCase> {};

TEST_P(ExactImportTest, GivesThePlainFileByteForByte) {
    Make(GetParam().plain);
    Make(GetParam().input);
    ASSERT_EQ(Import().status, Status::Done);
    EXPECT_EQ(test::ReadAll(out), test::ReadAll(dir.File("plain.wav")));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ExactImportTest,
    ::testing::Values(
        ExactCase{"ListChunk", kTone, "ffmpeg -v error -i plain.wav -f wav in"},
        ExactCase{"Extensible", kTone,
                  "ffmpeg -v error -i plain.wav -af 'channelmap=map=FL-DL|FR-DR:channel_layout="
                  "downmix' -fflags +bitexact -f wav in"},
        ExactCase{"Flac", kTone, "ffmpeg -v error -i plain.wav -f flac in"},
        ExactCase{"Aiff", kTone, "sox plain.wav -t aiff in"},
        ExactCase{"UnsignedEightBitOddLength", kTone8,
                  "ffmpeg -v error -i plain.wav -c:a pcm_u8 -f wav in"},
        ExactCase{"SignedEightBitAiff", kTone8, "sox plain.wav -t aiff in"},
        ExactCase{"W64", kTone, "sox plain.wav -t w64 in"},
        ExactCase{"BigEndianAu", kTone, "sox plain.wav -t au in"},
        ExactCase{"Caf", kTone, "ffmpeg -v error -i plain.wav -f caf in"}),
    kCaseName);

struct RecodeCase {
    const char* name;
    const char* input;
    int channels;
    std::uint32_t rate;
    std::uint32_t frames;
    std::uint32_t tolerance;
};

class RecodeImportTest : public ImportTest, public ::testing::WithParamInterface<RecodeCase> {};

TEST_P(RecodeImportTest, AcceptedWithItsPeakAtFullScale) {
    const RecodeCase& c = GetParam();
    Make(c.input);
    ASSERT_EQ(Import().status, Status::Done);
    const auto samples = Accepted();
    EXPECT_EQ(record.channels, c.channels);
    EXPECT_EQ(record.samplesPerSec, c.rate);
    EXPECT_NEAR(record.dataSize / record.blockAlign, c.frames, c.tolerance);
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_EQ(std::max(-*low, +*high), 32767);
}

// A two-tone sound of that many seconds and that shape, as a WAV file or encoded by ffmpeg.
#define TONE(seconds, shape) \
    "sox -n " shape " -t wav in synth " seconds " sine 440 sine 660 gain -6"
#define ENCODED(seconds, codec) \
    "sox -n -r 44100 -c 2 -t wav - synth " seconds " sine 440 | ffmpeg -v error -i - " codec
INSTANTIATE_TEST_SUITE_P(
    Sources, RecodeImportTest,
    ::testing::Values(
        RecodeCase{"Pcm24", TONE("1", "-r 44100 -c 2 -b 24"), 2, 44100, 44100, 0},
        RecodeCase{"Float", TONE("1", "-r 22050 -c 1 -e floating-point -b 32"), 1, 22050, 22050, 0},
        RecodeCase{"Rate96000", TONE("1", "-r 96000 -c 2 -b 24"), 2, 48000, 48000, 0},
        RecodeCase{"Rate8001", TONE("1", "-r 8001 -c 1 -b 16"), 1, 11025, 11025, 0},
        RecodeCase{"Rate6000", TONE("1", "-r 6000 -c 2 -b 8"), 2, 8000, 8000, 0},
        RecodeCase{"SixChannels", TONE("1", "-r 48000 -c 6 -b 16"), 1, 48000, 48000, 0},
        RecodeCase{"Mp3", ENCODED("1", "-c:a libmp3lame -f mp3 in"), 2, 44100, 44100, 1152},
        RecodeCase{"Vorbis", ENCODED("1", "-c:a libvorbis -f ogg in"), 2, 44100, 44100, 1024},
        RecodeCase{"Opus", ENCODED("1", "-c:a libopus -f ogg in"), 2, 48000, 48000, 960},
        RecodeCase{"Mp2", ENCODED("1", "-c:a mp2 -f mp2 in"), 2, 44100, 44100, 1152},
        RecodeCase{"Flac24At96000", "sox -n -r 96000 -c 2 -b 24 -t flac in synth 1 sine 440", 2,
                   48000, 48000, 0},
        RecodeCase{"FloatAifc",
                   "sox -n -r 32000 -c 1 -e floating-point -b 32 -t aifc in synth 1 sine 440", 1,
                   32000, 32000, 0}),
    kCaseName);

// Float frames written by libsndfile: the result is their plain average, scaled so that the peak
// is 32767 and rounded, exactly; a value that is not a number counts as silence.
class ScaledImportTest : public ImportTest,
                         public ::testing::WithParamInterface<std::pair<int, std::vector<float>>> {
};

TEST_P(ScaledImportTest, AverageScaledToFullScaleAndRounded) {
    const auto& [channels, values] = GetParam();
    SF_INFO info{0, 8000, channels, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* file = sf_open(dir.File("in").c_str(), SFM_WRITE, &info);
    sf_write_float(file, values.data(), static_cast<sf_count_t>(values.size()));
    sf_close(file);
    std::vector<float> mean(values.size() / static_cast<std::size_t>(channels));
    float peak = 0.0F;
    for (std::size_t frame = 0; frame < mean.size(); ++frame) {
        for (int c = 0; c < channels; ++c) {
            mean[frame] += values[frame * static_cast<std::size_t>(channels) + c];
        }
        mean[frame] = channels > 2 ? mean[frame] / static_cast<float>(channels) : mean[frame];
        mean[frame] = std::isfinite(mean[frame]) ? mean[frame] : 0.0F;
        peak = std::max(peak, std::fabs(mean[frame]));
    }
    std::vector<std::int16_t> expected;
    for (const float m : mean) {
        expected.push_back(
            static_cast<std::int16_t>(peak > 0 ? std::lround(m * (32767.0 / peak)) : 0));
    }
    ASSERT_EQ(Import().status, Status::Done);
    EXPECT_EQ(Accepted(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ScaledImportTest,
    ::testing::Values(std::pair{1, std::vector{0.0F, 1e-4F, -0.35F, 0.0123F, 0.34999F, -1e-6F}},
                      std::pair{3, std::vector{0.1F, -0.2F, 0.3001F, 7e-3F, 5e-4F, -0.9F}},
                      std::pair{4, std::vector{0.5F, -0.5F, 0.0F, 0.1F, 0.0F, 0.0F, 0.0F, -0.3F}},
                      std::pair{1, std::vector{0.0F, 0.0F, 0.0F}},
                      std::pair{1, std::vector{INFINITY, 0.5F, NAN, -0.25F, -INFINITY}}));

// A refused input, or a file operation that fails (error nonzero) on a path containing pathPart.
struct RefusalCase {
    const char* name;
    const char* input;
    std::string reason;  // empty: libsndfile's own, whatever it is
    FileOperation operation = FileOperation::Open;
    const char* pathPart = "";
    int nth = 0;
    int error = 0;
};

class RefusedImportTest : public ImportTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedImportTest, FailsWithAReasonAndLeavesNothing) {
    const RefusalCase& c = GetParam();
    Make(c.input);
    const auto before = dir.List();
    dir.Write("out.wav", {1, 2, 3});
    std::optional<test::ScopedFault> fault;
    if (c.error != 0) {
        fault.emplace(c.operation, c.error, c.nth, c.pathPart);
    }
    const ImportOutcome outcome = Import();
    EXPECT_TRUE(!fault || fault->fired());
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_FALSE(outcome.reason.empty());
    EXPECT_TRUE(c.reason.empty() || outcome.reason == c.reason) << outcome.reason;
    EXPECT_EQ(dir.List(), before);
}

// A 24-bit input whose import fails at a file operation with the system's reason. The target is
// made before the scratch file, whose name begins with the target's; the scratch file is closed
// (and opened again for reading) before the target.
RefusalCase Fault(const char* name, FileOperation operation, const char* pathPart, int nth,
                  int error) {
    return {name, TONE("1", "-r 44100 -c 2 -b 24"), std::strerror(error), operation, pathPart, nth,
            error};
}

// 16-bit stereo made FLAC by sox (damage inside a frame, which libsndfile notes) or by ffmpeg (a
// cut between frames, which the frame count shows), then cut.
#define CUT_FLAC(encoder) TONE("1", "-r 44100 -c 2 -b 16") " && " encoder " && head -c 20000 x > in"
// A sparse 1.7 GB file of 8-bit samples at 8001 Hz: 4.7 GB at 11025 Hz in 16 bits.
#define HUGE_8001                                                \
    TONE("1", "-r 8001 -c 1 -b 8")                               \
    " && printf '\\000\\000\\000\\145' | dd of=in bs=1 seek=40 " \
    "conv=notrunc 2>/dev/null && truncate -s 1694498860 in"
INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedImportTest,
    ::testing::Values(
        RefusalCase{"Text", "echo 'no sound here' > in", ""},
        RefusalCase{"Missing", "true", std::strerror(ENOENT)},
        RefusalCase{"TruncatedFlacBySox", CUT_FLAC("sox in -t flac x"), ""},
        RefusalCase{"TruncatedFlacByFfmpeg", CUT_FLAC("ffmpeg -v error -i in -f flac x"),
                    "The file ends before its sound does."},
        RefusalCase{"HeaderOnly", TONE("1", "-r 8000 -c 1 -b 16") " && truncate -s 44 in",
                    "The file holds no sound."},
        RefusalCase{"TooLong", HUGE_8001, "The sound is too long for a WAV file (over 4 GB)."},
        Fault("OpenSource", FileOperation::Open, "/in", 1, EACCES),
        Fault("CreateTarget", FileOperation::Open, "/out.wav", 1, EROFS),
        Fault("WriteHeader", FileOperation::Write, "/out.wav", 1, ENOSPC),
        Fault("CreateScratch", FileOperation::Open, ".scratch", 1, ENOSPC),
        Fault("WriteScratch", FileOperation::Write, ".scratch", 3, ENOSPC),
        Fault("CloseScratch", FileOperation::Close, ".scratch", 1, EIO),
        Fault("ReopenScratch", FileOperation::Open, ".scratch", 2, EMFILE),
        Fault("ReadScratch", FileOperation::Read, ".scratch", 2, EIO),
        Fault("SeekTarget", FileOperation::Seek, "/out.wav", 1, EIO),
        Fault("CloseTarget", FileOperation::Close, "/out.wav", 2, EIO)),
    kCaseName);

// A named input, made by a shell command.
struct NamedInput {
    const char* name;
    const char* input;
};

class CancelledImportTest : public ImportTest, public ::testing::WithParamInterface<NamedInput> {};

// The bar climbs to 100; a cancel at any of its reports stops the import and leaves nothing.
// Reports come at each new position and, on a slow machine, every 20 ms besides: each run is
// cancelled one report later until one ends first, which must be after every position was shown.
TEST_P(CancelledImportTest, CancelAtEveryReportLeavesNothing) {
    Make(GetParam().input);
    const auto before = dir.List();
    ASSERT_EQ(Import().status, Status::Done);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    ASSERT_EQ(positions.back(), 100);
    std::vector<int> shown = positions;
    shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
    ASSERT_GE(shown.size(), 10U);
    for (int cancelAt = 1;; ++cancelAt) {
        const Status status = Import(cancelAt).status;
        if (status == Status::Done) {
            EXPECT_GT(cancelAt, static_cast<int>(shown.size()));
            break;
        }
        ASSERT_EQ(status, Status::Cancelled) << cancelAt;
        ASSERT_EQ(dir.List(), before) << cancelAt;
        ASSERT_LT(cancelAt, 100000);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, CancelledImportTest,
                         ::testing::Values(NamedInput{"Copied", TONE("20", "-r 8000 -c 1 -b 16")},
                                           NamedInput{"Scaled", TONE("20", "-r 8000 -c 2 -b 24")},
                                           NamedInput{"Resampled",
                                                      TONE("5", "-r 88200 -c 1 -b 16")},
                                           NamedInput{"Mp3", ENCODED("20", "-ar 32000 -f mp3 in")}),
                         kCaseName);

// What a program streams announces no length (an MP3 none at all, a WAV a placeholder) and
// cannot be sought in (FLAC): the sound still comes through whole, and no copy of it stays.
class PipedImportTest : public ImportTest, public ::testing::WithParamInterface<NamedInput> {};

TEST_P(PipedImportTest, ReadsTheWholeSound) {
    Make(GetParam().input);
    const auto bytes = test::ReadAll(dir.File("sound"));
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::signal(SIGPIPE, SIG_IGN);
    std::filesystem::create_symlink("/proc/self/fd/" + std::to_string(ends[0]), dir.File("in"));
    std::thread feed([&] {
        EXPECT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(ends[1]);
    });
    const ImportOutcome outcome = Import();
    ::close(ends[0]);  // a feed the import left unread ends now
    feed.join();
    ASSERT_EQ(outcome.status, Status::Done) << outcome.reason;
    EXPECT_NEAR(static_cast<double>(Accepted().size()) / 2, 441000, 1152);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in", "out.wav", "sound"}));
}

INSTANTIATE_TEST_SUITE_P(
    Streams, PipedImportTest,
    ::testing::Values(NamedInput{"Mp3", ENCODED("10", "-c:a libmp3lame -f mp3 sound")},
                      NamedInput{"Wav",
                                 "sox -n -r 44100 -c 2 -t wav - synth 10 sine 440 | cat > sound"},
                      NamedInput{"Flac", "sox -n -r 44100 -c 2 -t flac sound synth 10 sine 440"}),
    kCaseName);

TEST(ImportRate, AcceptedRateKeptOtherRaisedToNextAcceptedButNever8012) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {1, 8000},     {7999, 8000},   {8000, 8000},   {8001, 11025},  {8012, 8012},
        {8013, 11025}, {11026, 12000}, {44101, 48000}, {48000, 48000}, {192000, 48000}};
    for (const auto& [rate, expected] : cases) {
        EXPECT_EQ(ImportRate(rate), expected) << rate;
    }
}

TEST(SandboxedImporterExtensions, ListsTheCommonEndingsButNotHeaderless) {
    const auto endings = SandboxedImporter(SONARO_DECODER).FileExtensions();
    for (const char* ending : {"wav", "flac", "aiff", "aif", "w64", "mp3", "ogg", "opus"}) {
        EXPECT_NE(std::find(endings.begin(), endings.end(), ending), endings.end()) << ending;
    }
    EXPECT_EQ(std::find(endings.begin(), endings.end(), "raw"), endings.end());
    EXPECT_TRUE(std::adjacent_find(endings.begin(), endings.end(), std::greater_equal<>()) ==
                endings.end())
        << "sorted, each once";
}

// After an import the next decoder waits, started ahead: its standard input is the socket its
// job will come on, it holds no file and is not locked down yet. One that dies while it waits is
// replaced by a new one at the next import.
TEST_F(ImportTest, TheDecoderStartedAheadWaitsAndOneThatDiedIsReplaced) {
    Make(kTone);
    Make("ffmpeg -v error -i plain.wav -f wav in");
    ASSERT_EQ(Import().status, Status::Done);
    // The next one waits: the decoder program, its three descriptors, a socket for its input
    // (the one that served reads its file there until it ends).
    const auto waiting = [](pid_t child) {
        const std::string proc = "/proc/" + std::to_string(child);
        std::error_code error;
        return std::filesystem::read_symlink(proc + "/exe", error).filename() == "sonaro-decoder" &&
               std::distance(std::filesystem::directory_iterator(proc + "/fd", error),
                             std::filesystem::directory_iterator()) == 3 &&
               std::filesystem::read_symlink(proc + "/fd/0", error).string().starts_with("socket:");
    };
    pid_t next = 0;
    ASSERT_TRUE(test::WaitFor([&] {
        const std::vector<pid_t> children = test::ChildrenOf(::getpid());
        const auto found = std::find_if(children.begin(), children.end(), waiting);
        next = found == children.end() ? 0 : *found;
        return next != 0;
    }));
    // The one that served is reaped on the importer's thread.
    ASSERT_TRUE(test::WaitFor([&] { return test::ChildrenOf(::getpid()).size() == 1; }));
    EXPECT_NE(test::ProcFile(next, "status").find("Seccomp:\t0\n"), std::string::npos);
    ASSERT_EQ(::kill(next, SIGKILL), 0);
    ASSERT_TRUE(test::WaitFor(
        [&] { return test::ProcFile(next, "status").find("State:\tZ") != std::string::npos; }));
    ::unlink(out.c_str());
    ASSERT_EQ(Import().status, Status::Done);
    EXPECT_EQ(test::ReadAll(out), test::ReadAll(dir.File("plain.wav")));
}

// A decoder program that is not there fails each import, naming itself and why, and offers no
// endings.
TEST_F(ImportTest, AMissingDecoderFailsEachImportNamingIt) {
    Make(kTone);
    SandboxedImporter missing(dir.File("gone"));
    EXPECT_EQ(missing.FileExtensions(), std::vector<std::string>{});
    test::ScriptedProgress bar;
    for (int i = 0; i < 2; ++i) {
        const ImportOutcome outcome = OutcomeOf(missing.Import(dir.File("plain.wav"), out, bar));
        EXPECT_EQ(outcome.status, Status::Failed);
        EXPECT_EQ(outcome.reason, "The decoder program " + dir.File("gone") +
                                      " cannot be started: No such file or directory.");
    }
    EXPECT_EQ(dir.List(), std::vector<std::string>{"plain.wav"});
}

// A WAV file whose LIST chunk sends libsndfile 1.2.0 round an endless loop without a read (a
// subchunk size wraps its 32-bit count back; found by the decoder's fuzz target): the silent
// decoder is stopped and the import fails, leaving nothing. (That the same importer imports the
// next file is the stopped-decoder tests' part.)
TEST_F(ImportTest, ADecoderSpinningInItsLibraryIsStopped) {
    const std::string spinning = std::string("RIFF\0\2\0\0WAVELIST\3\0\0", 19) +
                                 std::string(53, '\xff') + '\xef' + std::string(18, '\xff') +
                                 std::string("\0\1\2dataOpusH@", 13);
    dir.Write("in", {spinning.begin(), spinning.end()});
    DecoderLimits limits;
    limits.silence = std::chrono::seconds(2);
    SandboxedImporter quiet(SONARO_DECODER, limits, SandboxedImporter::Ahead::Wait);
    test::ScriptedProgress bar;
    EXPECT_EQ(OutcomeOf(quiet.Import(dir.File("in"), out, bar)).status, Status::Failed);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in"});
}

}  // namespace
}  // namespace sonaro
