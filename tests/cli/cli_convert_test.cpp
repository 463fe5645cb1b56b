// sonaro-convert converting files: single, over its own input, batches, volume levels, a killed
// run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "cli/command_line.h"
#include "cli/convert_command.h"
#include "tests/support/fault_injection.h"
#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

const std::string kProgram = SONARO_CONVERT_PATH;

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

    // Starts a conversion in the background, its standard error going to a file.
    pid_t StartConvert(const std::string& input, const std::string& output,
                       const std::string& errors) const {
        return test::StartProcess(kProgram, {input, "-o", output}, Env(), errors);
    }
    // Waits until an intermediate file of that name appears under the temporary directory.
    bool AwaitTempFile(const std::string& name) const {
        return test::WaitFor([&] { return test::HoldsFileNamed(tempRoot.path(), name); });
    }

    test::ScratchDir dir;
    test::ScratchDir tempRoot;
};

TEST_F(CliConvert, OneFile) {
    const auto input = dir.Write("in.wav", test::ToneFile(44100, 2, 1.0));
    const auto result = test::RunProcess(kProgram, {input, "-o", dir.File("out.wav")}, Env());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Soxi(dir.File("out.wav")), "8000|1|8-bit A-law|8255\n");
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path())) << "the private directory is gone";
    const auto info = test::RunProcess(kProgram, {"--info", dir.File("out.wav")});
    EXPECT_EQ(info.err, test::CliMessage(dir.File("out.wav"), "WAV file already optimised!"));
}

TEST_F(CliConvert, OutputOverItsOwnInput) {
    const auto input = dir.Write("in.wav", test::ToneFile(22050, 1, 0.5));
    const auto result = test::RunProcess(kProgram, {input, "-o", input}, Env());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Soxi(input), "8000|1|8-bit A-law|4246\n");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

TEST_F(CliConvert, VolumeLevels) {
    const auto input = dir.Write("in.wav", test::ToneFile(16000, 1, 0.25));
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
    const auto a = dir.Write("a.wav", test::ToneFile(8000, 1, 0.5));
    const auto bad = dir.Write("bad.wav", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '});
    const auto c = dir.Write("c.wav", test::ToneFile(48000, 2, 0.5));
    std::filesystem::create_directory(dir.File("out"));
    const auto result = test::RunProcess(
        kProgram, {"--jobs", "2", a, bad, c, "--output-dir", dir.File("out")}, Env());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, test::CliMessage(bad, "Not a Wave file."));
    EXPECT_EQ(Soxi(dir.File("out/a.wav")), "8000|1|8-bit A-law|4000\n");
    EXPECT_EQ(Soxi(dir.File("out/c.wav")), "8000|1|8-bit A-law|4237\n");
    EXPECT_FALSE(test::Exists(dir.File("out/bad.wav")));
}

// A fault of the program itself in one file of a batch (injected where the mix opens that file's
// samples, its second open after the reader's) fails that file alone, with one line naming it;
// the other file converts, and nothing is left behind.
TEST_F(CliConvert, InternalFaultFailsOnlyItsFile) {
    const auto a = dir.Write("a.wav", test::ToneFile(8000, 1, 0.5));
    const auto b = dir.Write("b.wav", test::ToneFile(22050, 2, 0.5));
    std::filesystem::create_directory(dir.File("out"));
    const Outcome<CommandLine> command =
        ParseCommandLine({"--jobs", "2", a, b, "--output-dir", dir.File("out")});
    ASSERT_TRUE(command);
    std::ostringstream out;
    std::ostringstream errors;
    ::setenv("TMPDIR", tempRoot.path().c_str(), 1);
    int status = 0;
    {
        test::ScopedFault fault(FileOperation::Open, test::kInternalFault, 2, "b.wav");
        status = RunConvert(*command, out, errors);
        EXPECT_TRUE(fault.fired());
    }
    ::unsetenv("TMPDIR");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors.str(), test::CliMessage(b,
                                             "An internal error stopped the work on this file "
                                             "(a fault injected into the program at " +
                                                 b + ")."));
    EXPECT_EQ(Soxi(dir.File("out/a.wav")), "8000|1|8-bit A-law|4000\n");
    EXPECT_FALSE(test::Exists(dir.File("out/b.wav")));
    EXPECT_TRUE(tempRoot.ListBelow().empty());
}

// A run killed outright leaves its private directory; the next run removes it.
TEST_F(CliConvert, NextRunRemovesTheDirectoryOfAKilledOne) {
    const auto input = dir.Write("long.wav", test::ToneFile(44100, 2, 240.0));
    const pid_t child = StartConvert(input, dir.File("out.wav"), dir.File("errors.txt"));
    const bool started = AwaitTempFile("SN_1_tmp.tmp");
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(started);
    EXPECT_FALSE(test::Exists(dir.File("out.wav")));
    EXPECT_FALSE(std::filesystem::is_empty(tempRoot.path())) << "the killed run's directory stays";

    const auto small = dir.Write("small.wav", test::ToneFile(8000, 1, 0.1));
    const auto result = test::RunProcess(kProgram, {small, "-o", dir.File("small-out.wav")}, Env());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path()));
}

// Two runs at once each use their own directory and both results are right.
TEST_F(CliConvert, TwoRunsAtOnce) {
    const auto a = dir.Write("a.wav", test::ToneFile(44100, 2, 20.0));
    const auto b = dir.Write("b.wav", test::ToneFile(32000, 1, 20.0));
    const pid_t first = StartConvert(a, dir.File("a-out.wav"), dir.File("a-errors.txt"));
    const pid_t second = StartConvert(b, dir.File("b-out.wav"), dir.File("b-errors.txt"));
    for (const pid_t child : {first, second}) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(Soxi(dir.File("a-out.wav")), "8000|1|8-bit A-law|160600\n");
    EXPECT_EQ(Soxi(dir.File("b-out.wav")), "8000|1|8-bit A-law|160238\n");
    // The same bytes as a conversion alone.
    test::RunProcess(kProgram, {a, "-o", dir.File("a-alone.wav")}, Env());
    EXPECT_EQ(test::ReadAll(dir.File("a-out.wav")), test::ReadAll(dir.File("a-alone.wav")));
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path()));
}

// An MS ADPCM file made by sox converts to exactly the bytes of the 16-bit PCM that sox decodes it
// to: whole blocks, partial last blocks, mono and stereo.
TEST_F(CliConvert, AdpcmFromSoxMatchesItsPcmDecoding) {
    const struct {
        const char* rate;
        const char* channels;
        const char* length;
    } cases[] = {{"22050", "1", "500s"},  {"22050", "1", "1017s"}, {"44100", "2", "1000s"},
                 {"44100", "2", "3001s"}, {"8000", "1", "2s"},     {"11025", "2", "30000s"}};
    for (const auto& c : cases) {
        const std::string adpcm = dir.File("adpcm.wav");
        const std::string pcm = dir.File("pcm.wav");
        ASSERT_EQ(test::RunProcess("/usr/bin/sox",
                                   {"-r", c.rate, "-n", "-r", c.rate, "-c", c.channels, "-e",
                                    "ms-adpcm", adpcm, "synth", c.length, "sine", "300:3000"})
                      .exitCode,
                  0);
        ASSERT_EQ(
            test::RunProcess("/usr/bin/sox", {adpcm, "-e", "signed", "-b", "16", pcm}).exitCode, 0);
        for (const auto& [input, output] : {std::pair{adpcm, "a.wav"}, std::pair{pcm, "p.wav"}}) {
            const auto result = test::RunProcess(kProgram, {input, "-o", dir.File(output)}, Env());
            ASSERT_EQ(result.exitCode, 0) << result.err;
        }
        EXPECT_EQ(test::ReadAll(dir.File("a.wav")), test::ReadAll(dir.File("p.wav")))
            << c.rate << " Hz, " << c.channels << " channel(s), " << c.length;
    }
}

// A result whose name is taken, in DIR or by another input, under each --existing: out/ holds
// a.wav, the inputs are x/a.wav, y/a.wav and b.wav (without the option, x/a.wav and b.wav).
TEST_F(CliConvert, EachPolicyForATakenName) {
    std::filesystem::create_directories(dir.File("x"));
    std::filesystem::create_directories(dir.File("y"));
    const auto x = dir.Write("x/a.wav", test::ToneFile(8000, 1, 0.3));
    const auto y = dir.Write("y/a.wav", test::ToneFile(22050, 2, 0.2));
    const auto b = dir.Write("b.wav", test::ToneFile(16000, 1, 0.1));
    std::map<std::string, std::vector<std::uint8_t>> alone = {{"old", {'o', 'l', 'd'}}};
    for (const auto& [name, input] : {std::pair{"x", x}, {"y", y}, {"b", b}}) {
        const std::string output = dir.File(std::string(name) + ".alone");
        ASSERT_EQ(test::RunProcess(kProgram, {input, "-o", output}, Env()).exitCode, 0);
        alone[name] = test::ReadAll(output);
    }
    const struct {
        std::vector<std::string> option;
        std::map<std::string, std::string> results;  // out/ afterwards: name and whose bytes
    } cases[] = {
        {{}, {{"a.wav", "x"}, {"b.wav", "b"}}},
        {{"--existing=replace"}, {{"a.wav", "y"}, {"b.wav", "b"}}},
        {{"--existing=skip"}, {{"a.wav", "old"}, {"b.wav", "b"}}},
        {{"--existing", "number"},
         {{"a.wav", "old"}, {"a (2).wav", "x"}, {"a (3).wav", "y"}, {"b.wav", "b"}}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir.File("out"));
        std::filesystem::create_directory(dir.File("out"));
        dir.Write("out/a.wav", alone["old"]);
        std::vector<std::string> arguments = c.option;
        for (const auto& input : c.option.empty() ? std::vector{x, b} : std::vector{x, y, b}) {
            arguments.push_back(input);
        }
        arguments.insert(arguments.end(), {"-j2", "--output-dir", dir.File("out")});
        const auto run = test::RunProcess(kProgram, arguments, Env());
        const std::string what = testing::PrintToString(c.option);
        EXPECT_EQ(run.exitCode, 0) << what << run.err;
        EXPECT_EQ(run.err, "") << what;
        std::map<std::string, std::string> results;
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("out"))) {
            const auto bytes = test::ReadAll(entry.path());
            for (const auto& [whose, expected] : alone) {
                if (bytes == expected) {
                    results[entry.path().filename()] = whose;
                }
            }
        }
        EXPECT_EQ(results, c.results) << what;
        EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path()));
    }
}

TEST(CliConvertUsage, DuplicateNamesInABatch) {
    const auto result = test::RunProcess(kProgram, {"x/a.wav", "y/a.wav", "--output-dir", "out"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("two results are named a.wav"), std::string::npos);
}

}  // namespace
}  // namespace sonaro
