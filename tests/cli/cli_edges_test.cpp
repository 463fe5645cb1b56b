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
    enum class In { Empty, Input, Directory };
    const std::string resultInfo =
        "Format: A-Law\nSize: 5 kB\nPlayback time: 00:00.53\nSampling rate: 8000 Hz\n"
        "Channels: mono\nBit depth: 8 bits\n";
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        In in;
        bool readerGone;  // standard output a pipe without a reader
        int exitCode;
        std::string err;
        std::string out;  // "=": the result, byte for byte
        bool fifoGetsResult;
        const char* resultAt;  // a file that holds the result afterwards
    } cases[] = {
        {"a FIFO is written into",
         {"%in.wav", "-o", "%fifo"},
         In::Empty,
         false,
         0,
         "",
         "",
         true,
         nullptr},
        {"- is the standard output",
         {"%in.wav", "-o", "-"},
         In::Empty,
         false,
         0,
         "",
         "=",
         false,
         nullptr},
        {"- is the standard input",
         {"-", "-o", "%out.wav"},
         In::Input,
         false,
         0,
         "",
         "",
         false,
         "%out.wav"},
        {"--print-result beside -o - goes to standard error",
         {"--print-result", "%in.wav", "-o", "-"},
         In::Empty,
         false,
         0,
         resultInfo,
         "=",
         false,
         nullptr},
        {"--info -",
         {"--info", "-"},
         In::Input,
         false,
         0,
         "",
         "Format: PCM\nSize: 44 kB\nPlayback time: 00:00.50\nSampling rate: 22050 Hz\n"
         "Channels: stereo\nBit depth: 16 bits\n",
         false,
         nullptr},
        {"a missing folder names the output",
         {"%in.wav", "-o", "%no/x.wav"},
         In::Empty,
         false,
         1,
         test::CliMessage("%no/x.wav", "The file could not be located."),
         "",
         false,
         nullptr},
        {"a folder as the output is named",
         {"%in.wav", "-o", "%link"},
         In::Empty,
         false,
         1,
         test::CliMessage("%link", "The file could not be accessed."),
         "",
         false,
         nullptr},
        {"a refused input is named",
         {"%ref.wav", "-o", "%x.wav"},
         In::Empty,
         false,
         1,
         test::CliMessage("%ref.wav", "WAV file already optimised!"),
         "",
         false,
         nullptr},
        {"a batch over its own input, through a link",
         {"%in.wav", "--output-dir", "%link"},
         In::Empty,
         false,
         2,
         "sonaro-convert: output %link/in.wav is the input %in.wav itself; its result would "
         "replace it\n" +
             kTryHelp,
         "",
         false,
         nullptr},
        {"the standard input in a batch",
         {"-", "--output-dir", "%link"},
         In::Input,
         false,
         2,
         "sonaro-convert: the standard input (-) is converted with -o OUTPUT only\n" + kTryHelp,
         "",
         false,
         nullptr},
        {"an unreadable standard input is named -",
         {"-", "-o", "%x.wav"},
         In::Directory,
         false,
         1,
         test::CliMessage("-", "The file could not be accessed."),
         "",
         false,
         nullptr},
        {"an empty standard input is refused as a file is",
         {"-", "-o", "%x.wav"},
         In::Empty,
         false,
         1,
         test::CliMessage("-", "Can not read file."),
         "",
         false,
         nullptr},
        {"the reader of the standard output gone",
         {"%in.wav", "-o", "-"},
         In::Empty,
         true,
         128 + SIGPIPE,
         "",
         "",
         false,
         nullptr},
    };
    for (const auto& c : cases) {
        // The FIFO's reader is there before the run; the pipe holds what the run sends.
        File fifo(dir.File("fifo"), File::Mode::Read);
        test::ProcessSetup setup;
        setup.environment = Env();
        if (c.in == In::Input) {
            setup.input = input;
        }
        setup.inputPath = c.in == In::Directory ? dir.path() : "";
        setup.outputReaderGone = c.readerGone;
        const auto run = test::RunProcessWith(kProgram, Expand(c.arguments), setup);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what;
        EXPECT_EQ(run.err, Expand(c.err)) << c.what;
        EXPECT_EQ(run.out, c.out == "=" ? std::string(result.begin(), result.end()) : c.out)
            << c.what;
        std::vector<std::uint8_t> sent(result.size() + 1);
        sent.resize(fifo.Read(sent.data(), sent.size()));
        EXPECT_EQ(sent, c.fifoGetsResult ? result : std::vector<std::uint8_t>{}) << c.what;
        if (c.resultAt != nullptr) {
            EXPECT_EQ(test::ReadAll(Expand(c.resultAt)), result) << c.what;
            std::filesystem::remove(Expand(c.resultAt));
        }
        EXPECT_EQ(test::ReadAll(dir.File("in.wav")), input) << c.what;
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"fifo", "in.wav", "link", "ref.wav"}))
            << c.what;
        EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path())) << c.what;
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
        const char* what;
        int signal;
        std::vector<std::string> arguments;
        std::function<bool(pid_t)> ready;
        std::string err;
    } cases[] = {
        {"Ctrl-C in a stage",
         SIGINT,
         {"%long.wav", "-o", "%out.wav"},
         inStage,
         test::CliMessage("%long.wav", "Conversion cancelled.")},
        {"a termination request",
         SIGTERM,
         {"%long.wav", "-o", "%out.wav"},
         inStage,
         test::CliMessage("%long.wav", "Conversion cancelled.")},
        {"the terminal closed",
         SIGHUP,
         {"%long.wav", "-o", "%out.wav"},
         inStage,
         test::CliMessage("%long.wav", "Conversion cancelled.")},
        {"Ctrl-C while the standard input is read",
         SIGINT,
         {"-", "-o", "%out.wav"},
         readingInput,
         test::CliMessage("-", "Conversion cancelled.")},
        {"Ctrl-C while the FIFO waits for its reader",
         SIGINT,
         {"%in.wav", "-o", "%fifo"},
         waitingForReader,
         test::CliMessage("%fifo", "Conversion cancelled.")},
    };
    for (const auto& c : cases) {
        int heldInput = -1;  // the standard input stays open and empty
        const pid_t child = test::StartProcess(kProgram, Expand(c.arguments), Env(),
                                               dir.File("errors"), &heldInput);
        const bool ready = test::WaitFor([&] { return c.ready(child); });
        ::kill(child, ready ? c.signal : SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(heldInput);
        ASSERT_TRUE(ready) << c.what;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << c.what;
        const auto err = test::ReadAll(dir.File("errors"));
        EXPECT_EQ(std::string(err.begin(), err.end()), Expand(c.err)) << c.what;
        EXPECT_FALSE(test::Exists(dir.File("out.wav"))) << c.what;
        EXPECT_EQ(std::filesystem::status(dir.File("fifo")).type(),
                  std::filesystem::file_type::fifo);
        EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path())) << c.what;
    }
}

}  // namespace
}  // namespace sonaro
