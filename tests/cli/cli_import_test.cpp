// sonaro-convert --import on files made by sox and ffmpeg: the same bytes as the plain WAV file
// where the import copies samples, the same sound where it decodes them, one message where it
// cannot read the file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>

#include "convert/formats/alaw_decoder.h"
#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"

namespace sonaro {
namespace {

const std::string kProgram = SONARO_CONVERT_PATH;
// A rising tone on the left and a steady one on the right: only the right alignment of two results,
// and only the right mix of the channels, correlates.
constexpr const char* kPlain =
    "sox -n -r 44100 -c 2 -b 16 plain.wav synth 1 sine 200-3000 sine 440 gain -3";
constexpr std::size_t kHeader = 58;  // the A-law file's header

// The linear values of an A-law result.
std::vector<double> Decoded(const std::string& path) {
    const auto bytes = test::ReadAll(path);
    std::vector<double> values;
    for (std::size_t i = kHeader; i < bytes.size(); ++i) {
        values.push_back(DecodeALaw(bytes[i]));
    }
    return values;
}

// The best normalised correlation of b with a, b shifted by up to maxLag samples either way.
double BestCorrelation(const std::vector<double>& a, const std::vector<double>& b, int maxLag) {
    double best = -1.0;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double ab = 0.0;
        double aa = 0.0;
        double bb = 0.0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const auto j = static_cast<std::ptrdiff_t>(i) + lag;
            if (j >= 0 && static_cast<std::size_t>(j) < b.size()) {
                const double y = b[static_cast<std::size_t>(j)];
                ab += a[i] * y;
                aa += a[i] * a[i];
                bb += y * y;
            }
        }
        best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

class CliImport : public ::testing::Test {
  protected:
    void SetUp() override {
        Make(kPlain);
        const auto plain = Convert({"plain.wav", "-o", "plain.out"});
        ASSERT_EQ(plain.exitCode, 0) << plain.err;
    }
    void Make(const std::string& command) {
        const auto run = test::RunShellIn(dir.path(), command);
        ASSERT_EQ(run.exitCode, 0) << command << "\n" << run.err;
    }
    // Runs sonaro-convert in the scratch directory with these arguments.
    test::ProcessResult Convert(const std::vector<std::string>& arguments) {
        std::string line = kProgram;
        for (const std::string& argument : arguments) {
            line += " '" + argument + "'";
        }
        return test::RunShellIn(dir.path(), "TMPDIR='" + tempRoot.path() + "' " + line);
    }

    test::ScratchDir dir;
    test::ScratchDir tempRoot;
};

TEST_F(CliImport, CopiedSamplesGiveThePlainFilesBytes) {
    Make("ffmpeg -v error -i plain.wav listed.wav");
    Make(
        "ffmpeg -v error -i plain.wav -af 'channelmap=map=FL-DL|FR-DR:channel_layout=downmix' "
        "-fflags +bitexact extensible.wav");
    Make("ffmpeg -v error -i plain.wav song.flac");
    const auto strict = Convert({"listed.wav", "-o", "strict.out"});
    EXPECT_EQ(strict.err, test::CliMessage("listed.wav", "Identifier \"data\" not found."))
        << "without --import";
    std::filesystem::create_directory(dir.File("out"));
    const auto run = Convert({"--import", "listed.wav", "extensible.wav", "song.flac", "plain.wav",
                              "--output-dir", "out"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto expected = test::ReadAll(dir.File("plain.out"));
    for (const char* name : {"listed.wav", "extensible.wav", "song.wav", "plain.wav"}) {
        EXPECT_EQ(test::ReadAll(dir.File("out/") + name), expected) << name;
    }
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path()));
    EXPECT_EQ(Convert({"--info", "--import", "song.flac"}).out,
              Convert({"--info", "plain.wav"}).out)
        << "the six lines of what would be converted";
}

// A 96 kHz source becomes 48 kHz, whose results run 0.23 % faster than those of the 44.1 kHz
// family: it is compared with the plain file at 48 kHz.
TEST_F(CliImport, DecodedSoundsConvertToTheSameSound) {
    const struct {
        const char* name;
        const char* make;
        const char* plain;    // the plain conversion of the same sound
        int lengthTolerance;  // A-law samples more or fewer than that has
    } cases[] = {
        {"pcm24.wav", "sox plain.wav -b 24 pcm24.wav", "plain.out", 0},
        {"float.wav", "sox plain.wav -e floating-point -b 32 float.wav", "plain.out", 0},
        {"rate96k.wav", "sox plain.wav -b 24 rate96k.wav rate -v 96000", "plain48.out", 0},
        {"six.wav", "sox plain.wav six.wav remix 1 2 1 2 1 2", "plain.out", 0},
        {"song.mp3", "ffmpeg -v error -i plain.wav -c:a libmp3lame -b:a 192k song.mp3", "plain.out",
         50},
        {"song.ogg", "ffmpeg -v error -i plain.wav -c:a libvorbis song.ogg", "plain.out", 50},
    };
    Make("sox plain.wav plain48.wav rate -v 48000");
    ASSERT_EQ(Convert({"plain48.wav", "-o", "plain48.out"}).exitCode, 0);
    for (const auto& c : cases) {
        Make(c.make);
        const auto run = Convert({"--import", c.name, "-o", "import.out"});
        ASSERT_EQ(run.exitCode, 0) << c.name << ": " << run.err;
        const auto plain = Decoded(dir.File(c.plain));
        const auto imported = Decoded(dir.File("import.out"));
        EXPECT_NEAR(static_cast<double>(imported.size()), static_cast<double>(plain.size()),
                    c.lengthTolerance)
            << c.name;
        EXPECT_GT(BestCorrelation(plain, imported, 50), 0.98) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path()));
}

TEST_F(CliImport, UnreadableFilesGetOneMessage) {
    Make("echo 'not a sound' > notes.txt");
    Make("ffmpeg -v error -i plain.wav song.flac && head -c 3000 song.flac > cut.flac");
    for (const char* name : {"notes.txt", "cut.flac"}) {
        const auto run = Convert({"--import", name, "-o", "x.out"});
        EXPECT_EQ(run.exitCode, 1) << name;
        const std::string prefix = "sonaro-convert: " + std::string(name) + ": ";
        EXPECT_EQ(run.err.substr(0, prefix.size()), prefix) << run.err;
        EXPECT_GT(run.err.size(), prefix.size() + 1) << "the library's reason follows";
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(test::Exists(dir.File("x.out")));
    }
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path()));
}

// While a long import runs, the decoding is done by a separate, locked-down process, and
// sonaro-convert itself has loaded neither libsndfile nor the FLAC library; a decoder killed
// midway by SIGSEGV ends the run with status 1, one line naming the file, no output and nothing
// in the temporary directory.
TEST_F(CliImport, ADecoderKilledMidwayIsOneMessageAndNothingLeft) {
    Make("sox -n -r 96000 -c 2 -b 24 long.flac synth 60 sine 440 sine 660 gain -3");
    const std::string errors = dir.File("errors");
    const pid_t convert =
        test::StartProcess(kProgram, {"--import", dir.File("long.flac"), "-o", dir.File("out.wav")},
                           {"TMPDIR=" + tempRoot.path()}, errors);
    pid_t decoder = 0;
    ASSERT_TRUE(test::WaitFor([&] {
        const auto children = test::ChildrenOf(convert);
        decoder = children.empty() ? 0 : children.front();
        return decoder != 0 &&
               test::ProcFile(decoder, "status").find("Seccomp:\t2\n") != std::string::npos;
    }));
    EXPECT_NE(test::ProcFile(decoder, "status").find("NoNewPrivs:\t1\n"), std::string::npos);
    EXPECT_NE(test::ProcFile(decoder, "maps").find("libFLAC"), std::string::npos)
        << "the decoder is the one that decodes FLAC";
    const std::string maps = test::ProcFile(convert, "maps");
    EXPECT_EQ(maps.find("libFLAC"), std::string::npos);
    EXPECT_EQ(maps.find("libsndfile"), std::string::npos);
    ASSERT_EQ(::kill(decoder, SIGSEGV), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(convert, &status, 0), convert);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const auto printed = test::ReadAll(errors);
    EXPECT_EQ(std::string(printed.begin(), printed.end()),
              test::CliMessage(dir.File("long.flac"),
                               "The decoder stopped on this file; it may be damaged."));
    EXPECT_FALSE(test::Exists(dir.File("out.wav")));
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path()));
}

}  // namespace
}  // namespace sonaro
