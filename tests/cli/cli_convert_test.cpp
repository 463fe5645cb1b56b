// sonaro-convert converting files: single, over its own input, batches, volume levels, and Ctrl-C.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <thread>

#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

const std::string kProgram = SONARO_CONVERT_PATH;

std::vector<std::uint8_t> ToneFile(std::uint32_t rate, std::uint16_t channels, double seconds) {
    std::vector<std::int16_t> samples;
    const auto frames = static_cast<std::size_t>(rate * seconds);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (unsigned c = 0; c < channels; ++c) {
            samples.push_back(static_cast<std::int16_t>(
                9000 * std::sin(2 * std::numbers::pi * (440.0 + 110.0 * c) * t)));
        }
    }
    return test::Pcm16Spec(rate, channels, samples).Build();
}

// What soxi says of a file: rate, channels, encoding and sample count.
std::string Soxi(const std::string& path) {
    const auto result = test::RunProcess("/usr/bin/soxi", {path});
    std::string summary;
    for (const char* key : {"Sample Rate", "Channels", "Sample Encoding"}) {
        const auto at = result.out.find(key);
        if (at != std::string::npos) {
            const auto colon = result.out.find(':', at);
            summary += result.out.substr(colon + 2, result.out.find('\n', at) - colon - 2) + "|";
        }
    }
    const auto samples = test::RunProcess("/usr/bin/soxi", {"-s", path});
    return summary + samples.out;
}

class CliConvert : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::Exists("/usr/bin/soxi")) {
            GTEST_SKIP() << "soxi (sox) is not installed";
        }
    }
    std::vector<std::string> Env() const { return {"TMPDIR=" + tempRoot.path()}; }

    test::ScratchDir dir;
    test::ScratchDir tempRoot;
};

TEST_F(CliConvert, OneFile) {
    const auto input = dir.Write("in.wav", ToneFile(44100, 2, 1.0));
    const auto result = test::RunProcess(kProgram, {input, "-o", dir.File("out.wav")}, Env());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Soxi(dir.File("out.wav")), "8000|1|8-bit A-law|8255\n");
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path())) << "the private directory is gone";
    const auto info = test::RunProcess(kProgram, {"--info", dir.File("out.wav")});
    EXPECT_EQ(info.err, dir.File("out.wav") + ":\nWAV file already optimised!\n");
}

TEST_F(CliConvert, OutputOverItsOwnInput) {
    const auto input = dir.Write("in.wav", ToneFile(22050, 1, 0.5));
    const auto result = test::RunProcess(kProgram, {input, "-o", input}, Env());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Soxi(input), "8000|1|8-bit A-law|4246\n");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

TEST_F(CliConvert, VolumeLevels) {
    const auto input = dir.Write("in.wav", ToneFile(16000, 1, 0.25));
    test::RunProcess(kProgram, {input, "-o", dir.File("10.wav")}, Env());
    test::RunProcess(kProgram, {"--volume", "4", input, "-o", dir.File("4.wav")}, Env());
    test::RunProcess(kProgram, {"--volume", "0", input, "-o", dir.File("0.wav")}, Env());
    const auto full = test::ReadAll(dir.File("10.wav"));
    const auto quiet = test::ReadAll(dir.File("4.wav"));
    const auto silent = test::ReadAll(dir.File("0.wav"));
    ASSERT_EQ(full.size(), 58U + 2240U);
    ASSERT_EQ(quiet.size(), full.size());
    EXPECT_NE(full, quiet);
    EXPECT_TRUE(std::all_of(silent.begin() + 58, silent.end(), [](auto b) { return b == 0xD5; }));
}

TEST_F(CliConvert, BatchGoesOnPastARefusedFile) {
    const auto a = dir.Write("a.wav", ToneFile(8000, 1, 0.5));
    const auto bad = dir.Write("bad.wav", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '});
    const auto c = dir.Write("c.wav", ToneFile(48000, 2, 0.5));
    std::filesystem::create_directory(dir.File("out"));
    const auto result = test::RunProcess(
        kProgram, {"--jobs", "2", a, bad, c, "--output-dir", dir.File("out")}, Env());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, bad + ":\nNot a Wave file.\n");
    EXPECT_EQ(Soxi(dir.File("out/a.wav")), "8000|1|8-bit A-law|4000\n");
    EXPECT_EQ(Soxi(dir.File("out/c.wav")), "8000|1|8-bit A-law|4237\n");
    EXPECT_FALSE(test::Exists(dir.File("out/bad.wav")));
}

TEST_F(CliConvert, MissingOutputDirectoryIsToldPerFile) {
    const auto a = dir.Write("a.wav", ToneFile(8000, 1, 0.1));
    const auto result = test::RunProcess(kProgram, {a, "-o", dir.File("no/such/out.wav")}, Env());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, a + ":\nThe file could not be located.\n");
}

// Ctrl-C during a conversion cancels it as the Cancel button does.
TEST_F(CliConvert, InterruptCancels) {
    const auto input = dir.Write("long.wav", ToneFile(44100, 2, 240.0));
    const std::string errors = dir.File("errors.txt");
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("TMPDIR", tempRoot.path().c_str(), 1);
        ::freopen(errors.c_str(), "w", stderr);
        ::execl(kProgram.c_str(), kProgram.c_str(), input.c_str(), "-o",
                dir.File("out.wav").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Interrupt once the resampler has started writing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool started = false;
    while (!started && std::chrono::steady_clock::now() < deadline) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(tempRoot.path())) {
            started = started || entry.path().filename() == "SN_2_tmp.tmp";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(child, SIGINT);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(started);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const auto message = test::ReadAll(errors);
    EXPECT_EQ(std::string(message.begin(), message.end()), input + ":\nConversion cancelled.\n");
    EXPECT_FALSE(test::Exists(dir.File("out.wav")));
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path()));
}

TEST(CliConvertUsage, DuplicateNamesInABatch) {
    const auto result = test::RunProcess(kProgram, {"x/a.wav", "y/a.wav", "--output-dir", "out"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("two inputs are named a.wav"), std::string::npos);
}

}  // namespace
}  // namespace sonaro
