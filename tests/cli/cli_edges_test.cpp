// sonaro-convert where it meets the system, as a user meets it: a FIFO and "-" as the output, the
// standard input as the input, a batch over its own inputs, the file each message names, and the
// signals that end a run, each with what it leaves behind.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "convert/files/file.h"
#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

const std::string kProgram = SONARO_CONVERT_PATH;
const std::string kTryHelp = "Try 'sonaro-convert --help' for more information.\n";

class CliEdges : public ::testing::Test {
  protected:
    void SetUp() override {
        input = test::ToneFile(22050, 2, 0.5);
        dir.Write("in.wav", input);
        ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
        std::filesystem::create_directory_symlink(dir.path(), dir.File("link"));
        const auto reference =
            test::RunProcess(kProgram, {dir.File("in.wav"), "-o", dir.File("ref.wav")}, Env());
        ASSERT_EQ(reference.exitCode, 0) << reference.err;
        result = test::ReadAll(dir.File("ref.wav"));
    }
    std::vector<std::string> Env() const { return {"TMPDIR=" + tempRoot.path()}; }
    // "%" stands for the scratch directory and its "/".
    std::string Expand(std::string text) const {
        for (auto at = text.find('%'); at != std::string::npos; at = text.find('%', at)) {
            text.replace(at, 1, dir.path() + "/");
        }
        return text;
    }
    std::vector<std::string> Expand(const std::vector<std::string>& words) const {
        std::vector<std::string> expanded;
        for (const std::string& word : words) {
            expanded.push_back(Expand(word));
        }
        return expanded;
    }

    test::ScratchDir dir;
    test::ScratchDir tempRoot;
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> result;  // in.wav converted
};

TEST_F(CliEdges, EachEdgeAsAUserMeetsIt) {
    enum class Io { Plain, InputPiped, InputADirectory, OutputReaderGone };
    enum class Result { Nowhere, OnStandardOutput, IntoTheFifo, InOutWav };
    const std::string info =
        "Format: A-Law\nSize: 5 kB\nPlayback time: 00:00.53\nSampling rate: 8000 Hz\n"
        "Channels: mono\nBit depth: 8 bits\n";
    const std::string noFolder = test::CliMessage("%no/x.wav", "The file could not be located.");
    const std::string aFolder = test::CliMessage("%link", "The file could not be accessed.");
    const std::string unreadable = test::CliMessage("-", "The file could not be accessed.");
    const std::string sameFile =
        "sonaro-convert: output %link/in.wav is the input %in.wav "
        "itself; its result would replace it\n" +
        kTryHelp;
    const struct {
        std::vector<std::string> arguments;
        Io io;
        int exitCode;
        std::string err;
        Result result;
    } cases[] = {
        {{"%in.wav", "-o", "%fifo"}, Io::Plain, 0, "", Result::IntoTheFifo},
        {{"%in.wav", "-o", "-"}, Io::Plain, 0, "", Result::OnStandardOutput},
        {{"-", "-o", "%out.wav"}, Io::InputPiped, 0, "", Result::InOutWav},
        {{"--import", "-", "-o", "%out.wav"}, Io::InputPiped, 0, "", Result::InOutWav},
        {{"--print-result", "%in.wav", "-o", "-"}, Io::Plain, 0, info, Result::OnStandardOutput},
        {{"%in.wav", "-o", "%no/x.wav"}, Io::Plain, 1, noFolder, Result::Nowhere},
        {{"%in.wav", "-o", "%link"}, Io::Plain, 1, aFolder, Result::Nowhere},
        {{"%in.wav", "--output-dir", "%link"}, Io::Plain, 2, sameFile, Result::Nowhere},
        {{"-", "-o", "%out.wav"}, Io::InputADirectory, 1, unreadable, Result::Nowhere},
        {{"%in.wav", "-o", "-"}, Io::OutputReaderGone, 128 + SIGPIPE, "", Result::Nowhere},
    };
    const std::string converted(result.begin(), result.end());
    for (const auto& c : cases) {
        const std::string what = testing::PrintToString(c.arguments);
        // The FIFO's reader is there before the run; the pipe holds what the run sends.
        File fifo(dir.File("fifo"), File::Mode::Read);
        test::ProcessSetup setup;
        setup.environment = Env();
        if (c.io == Io::InputPiped) {
            setup.input = input;
        }
        setup.inputPath = c.io == Io::InputADirectory ? dir.path() : "";
        setup.outputReaderGone = c.io == Io::OutputReaderGone;
        const auto run = test::RunProcessWith(kProgram, Expand(c.arguments), setup);
        EXPECT_EQ(run.exitCode, c.exitCode) << what;
        EXPECT_EQ(run.err, Expand(c.err)) << what;
        EXPECT_EQ(run.out, c.result == Result::OnStandardOutput ? converted : "") << what;
        std::vector<std::uint8_t> sent(result.size() + 1);
        sent.resize(fifo.Read(sent.data(), sent.size()));
        EXPECT_EQ(sent, c.result == Result::IntoTheFifo ? result : std::vector<std::uint8_t>{})
            << what;
        EXPECT_EQ(test::ReadAll(dir.File("out.wav")),
                  c.result == Result::InOutWav ? result : std::vector<std::uint8_t>{})
            << what;
        std::filesystem::remove(dir.File("out.wav"));
        EXPECT_EQ(test::ReadAll(dir.File("in.wav")), input) << what;
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"fifo", "in.wav", "link", "ref.wav"}))
            << what;
        EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path())) << what;
    }
}

// SIGINT, SIGTERM and SIGHUP cancel as the Cancel button does, wherever the run waits; then the
// program dies of the signal, with its temporary files gone and no output left.
TEST_F(CliEdges, SignalsEndTheRunAfterItsCleanUp) {
    dir.Write("long.wav", test::ToneFile(44100, 2, 240.0));
    const auto inStage = [&](pid_t) {
        return test::HoldsFileNamed(tempRoot.path(), "SN_2_tmp.tmp");  // the resampler writes
    };
    const auto readingInput = [&](pid_t) { return test::HoldsFileNamed(tempRoot.path(), "-"); };
    const auto waitingForReader = [](pid_t child) {
        std::ifstream wchan("/proc/" + std::to_string(child) + "/wchan");
        std::string waitsIn;
        return std::getline(wchan, waitsIn) && waitsIn == "wait_for_partner";  // fifo_open's
    };
    const struct {
        int signal;
        std::vector<std::string> arguments;
        std::function<bool(pid_t)> ready;  // when the signal is sent
        std::string named;                 // by the message
    } cases[] = {
        {SIGINT, {"%long.wav", "-o", "%out.wav"}, inStage, "%long.wav"},  // Ctrl-C in a stage
        {SIGTERM, {"%long.wav", "-o", "%out.wav"}, inStage, "%long.wav"},
        {SIGHUP, {"%long.wav", "-o", "%out.wav"}, inStage, "%long.wav"},  // the terminal closed
        {SIGINT, {"-", "-o", "%out.wav"}, readingInput, "-"},
        {SIGINT, {"%in.wav", "-o", "%fifo"}, waitingForReader, "%fifo"},
    };
    for (const auto& c : cases) {
        const std::string what = testing::PrintToString(c.arguments);
        int heldInput = -1;  // the standard input stays open and empty
        const pid_t child = test::StartProcess(kProgram, Expand(c.arguments), Env(),
                                               dir.File("errors"), &heldInput);
        const bool ready = test::WaitFor([&] { return c.ready(child); });
        ::kill(child, ready ? c.signal : SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(heldInput);
        ASSERT_TRUE(ready) << what;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << what;
        const auto err = test::ReadAll(dir.File("errors"));
        EXPECT_EQ(std::string(err.begin(), err.end()),
                  Expand(test::CliMessage(c.named, "Conversion cancelled.")))
            << what;
        EXPECT_FALSE(test::Exists(dir.File("out.wav"))) << what;
        EXPECT_EQ(std::filesystem::status(dir.File("fifo")).type(),
                  std::filesystem::file_type::fifo);
        EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path())) << what;
    }
}

}  // namespace
}  // namespace sonaro
