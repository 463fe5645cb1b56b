// The decoder process locked down, and a decoder that misbehaves: the test build of the decoder
// breaks its rules on request (SONARO_DECODER_FAULT, see faulty_decoder.cpp); the parent must
// stop it, say why, leave nothing behind and import the next file as if nothing had happened.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "convert/files/file.h"
#include "import/decoder/address_sanitizer.h"
#include "import/decoder/file_system_lock.h"
#include "import/decoder_conversation.h"
#include "import/decoder_stopped.h"
#include "import/sandboxed_importer.h"
#include "resources/string_table.h"
#include "tests/support/import_outcome.h"
#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_progress.h"

namespace sonaro {
namespace {

using namespace std::chrono_literals;
using test::ImportOutcome;
using test::OutcomeOf;
using test::Status;

// Sets the fault the test decoder commits while it lives.
class ScopedFault {
  public:
    explicit ScopedFault(const std::string& fault) {
        ::setenv("SONARO_DECODER_FAULT", fault.c_str(), 1);
    }
    ~ScopedFault() { ::unsetenv("SONARO_DECODER_FAULT"); }
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;
};

// A WAV file that the reader refuses for its 24-bit samples: decoded, scaled and written through
// the scratch file, in blocks.
class SandboxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto made = test::RunShellIn(
            dir.path(), "sox -n -r 44100 -c 2 -b 24 in.wav synth 1 sine 440 sine 660 gain -6");
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }

    // How a conversation with the test decoder ends: "end", "failure: TEXT", or what
    // DecoderStopped says.
    std::string Conversation(const std::string& fault, const DecoderLimits& limits) {
        const ScopedFault set(fault);
        const File input(dir.File("in.wav"), File::Mode::Read);
        DecoderProcess process(SONARO_FAULTY_DECODER);
        process.Assign(limits.Job("decode", 0), input.descriptor());
        DecoderConversation talk(process, DecoderReplyReader::Asked::Sound, limits.silence,
                                 limits.Deadline(0));
        DecoderReply reply;
        try {
            while (talk.Next(reply, [] { return false; })) {
                if (reply.type == decoder::RecordType::Failure) {
                    return "failure: " + reply.text;
                }
                if (reply.type == decoder::RecordType::End) {
                    return "end";
                }
            }
            return "gave up";
        } catch (const DecoderStopped& stopped) {
            return stopped.what();
        }
    }

    test::ScratchDir dir;
};

// Limits that make a test of a limit quick.
DecoderLimits Quiet(std::chrono::milliseconds silence) {
    DecoderLimits limits;
    limits.silence = silence;
    return limits;
}

DecoderLimits Busy(std::chrono::seconds time) {
    DecoderLimits limits;
    limits.silence = 60s;
    limits.baseTime = time;
    limits.timePerMiB = 0s;
    return limits;
}

struct FaultCase {
    const char* name;
    const char* fault;
    DecoderLimits limits;
    std::string ending;  // how the conversation ends; a text ending in "*" is a prefix
};

class DecoderFaultTest : public SandboxTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(DecoderFaultTest, EndsAsExpected) {
    const FaultCase& c = GetParam();
    if (std::string(c.fault) == "memory" && kAddressSanitizer) {
        GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    }
    const std::string ending = Conversation(c.fault, c.limits);
    if (c.ending.ends_with('*')) {
        EXPECT_TRUE(ending.starts_with(c.ending.substr(0, c.ending.size() - 1))) << ending;
    } else {
        EXPECT_EQ(ending, c.ending);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DecoderFaultTest,
    ::testing::Values(
        FaultCase{"None", "", {}, "end"},
        FaultCase{"ForbiddenCallKillsIt", "forbidden-call", {}, "killed by signal SYS"},
        FaultCase{"FilesStayShut", "open-passwd", {}, "failure: " + std::string(strerror(EACCES))},
        FaultCase{"AddressSpaceIsLimited", "memory", {}, "failure: allocation refused"},
        FaultCase{"SilenceEndsIt", "hang", Quiet(300ms), "sent nothing for *"},
        FaultCase{"DeadlineEndsIt", "trickle", Busy(1s), "ran past its deadline"},
        FaultCase{"GarbageEndsIt", "garbage", {}, "it sent a record of type 99"},
        // AddressSanitizer's handler of SIGSEGV makes calls that the filter forbids.
        FaultCase{"CrashEndsIt",
                  "crash",
                  {},
                  kAddressSanitizer ? "killed by signal SYS" : "killed by signal SEGV"},
        FaultCase{"EarlyExitEndsIt", "stop-early", {}, "its output ended before its last record"}),
    [](const auto& row) { return std::string(row.param.name); });

// A decoder that stops is one clear message; the target and the scratch file are gone, the input
// is as it was, and the same importer imports the file at once afterwards (its limits leave a
// decoder started on demand time to load, even under the sanitizers on a busy machine).
class StoppedImportTest : public SandboxTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(StoppedImportTest, OneMessageNothingLeftNextImportWorks) {
    const FaultCase& c = GetParam();
    const auto input = test::ReadAll(dir.File("in.wav"));
    // Each decoder reads its fault when it starts: none is started ahead.
    SandboxedImporter importer(SONARO_FAULTY_DECODER, c.limits, SandboxedImporter::Ahead::Wait);
    test::ScriptedProgress bar;
    {
        const ScopedFault set(c.fault);
        const ImportOutcome outcome =
            OutcomeOf(importer.Import(dir.File("in.wav"), dir.File("out.wav"), bar));
        EXPECT_EQ(outcome.status, Status::Failed);
        EXPECT_EQ(outcome.reason, c.ending);
    }
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
    EXPECT_EQ(test::ReadAll(dir.File("in.wav")), input);
    EXPECT_EQ(OutcomeOf(importer.Import(dir.File("in.wav"), dir.File("out.wav"), bar)).status,
              Status::Done);
}

const std::string kStopped = LoadString(IDS_DECODER_STOPPED);

INSTANTIATE_TEST_SUITE_P(
    Faults, StoppedImportTest,
    ::testing::Values(FaultCase{"Crash", "crash", {}, kStopped},
                      FaultCase{"ForbiddenCall", "forbidden-call", {}, kStopped},
                      FaultCase{"Hang", "hang", Quiet(2s), kStopped},
                      FaultCase{"Garbage", "garbage", {}, kStopped},
                      FaultCase{"FilesStayShut", "open-passwd", {}, strerror(EACCES)}),
    [](const auto& row) { return std::string(row.param.name); });

// Past its processor time the decoder is killed by the kernel, however long the wall-clock time
// it took on a busy machine.
TEST_F(SandboxTest, ProcessorTimeEndsIt) {
    const ScopedFault set("hang");
    DecoderProcess process(SONARO_FAULTY_DECODER);
    process.Assign(Busy(1s).Job("decode", 0), -1);
    ASSERT_TRUE(process.WaitEnd(60s));
    EXPECT_EQ(process.HowEnded(), "killed by signal XCPU");
}

// A cancel while the decoder is silent is seen within the poll interval, not after the silence
// limit; the decoder is killed and nothing is left.
TEST_F(SandboxTest, CancelWhileTheDecoderHangsStopsIt) {
    SandboxedImporter importer(SONARO_FAULTY_DECODER, Quiet(60s), SandboxedImporter::Ahead::Wait);
    test::ScriptedProgress bar(3);
    const ScopedFault set("hang");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OutcomeOf(importer.Import(dir.File("in.wav"), dir.File("out.wav"), bar)).status,
              Status::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

// The line of /proc/PID/limits for a limit, its spaces squeezed.
std::string LimitLine(const std::string& limits, const std::string& name) {
    std::istringstream lines(limits);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(name)) {
            std::string squeezed;
            for (const char ch : line) {
                if (ch != ' ' || (!squeezed.empty() && squeezed.back() != ' ')) {
                    squeezed += ch;
                }
            }
            return squeezed;
        }
    }
    return "";
}

// The kernel's view of a locked-down decoder: a seccomp filter, no new privileges, its limits,
// only its three descriptors, a process group of its own.
TEST_F(SandboxTest, TheKernelSeesItLockedDown) {
    const ScopedFault set("hang");
    const File input(dir.File("in.wav"), File::Mode::Read);
    DecoderLimits limits;
    DecoderProcess process(SONARO_FAULTY_DECODER);
    process.Assign(limits.Job("decode", 3 << 20), input.descriptor());
    const pid_t pid = process.pid();
    ASSERT_TRUE(test::WaitFor([&] {
        return test::ProcFile(pid, "status").find("Seccomp:\t2\n") != std::string::npos;
    })) << test::ProcFile(pid, "status");
    EXPECT_NE(test::ProcFile(pid, "status").find("NoNewPrivs:\t1\n"), std::string::npos);
    const std::string limitsText = test::ProcFile(pid, "limits");
    EXPECT_EQ(LimitLine(limitsText, "Max cpu time"), "Max cpu time 90 91 seconds ");
    EXPECT_EQ(LimitLine(limitsText, "Max file size"), "Max file size 0 0 bytes ");
    EXPECT_EQ(LimitLine(limitsText, "Max core file size"), "Max core file size 0 0 bytes ");
    EXPECT_EQ(LimitLine(limitsText, "Max open files"), "Max open files 3 3 files ");
    if (!kAddressSanitizer) {
        EXPECT_EQ(LimitLine(limitsText, "Max address space"),
                  "Max address space 1073741824 1073741824 bytes ");
    }
    std::vector<std::string> descriptors;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
        descriptors.push_back(entry.path().filename().string());
    }
    std::sort(descriptors.begin(), descriptors.end());
    EXPECT_EQ(descriptors, (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(::getpgid(pid), pid);
}

// A decoder whose parent ends without ending it goes too (the parent here: a process forked for
// the test, which starts the decoder, tells its number and exits at once).
TEST_F(SandboxTest, ItDiesWithItsParent) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t parent = ::fork();
    if (parent == 0) {
        ::setenv("SONARO_DECODER_FAULT", "hang", 1);
        auto* process = new DecoderProcess(SONARO_FAULTY_DECODER);
        process->Assign(DecoderLimits().Job("decode", 0), -1);
        const pid_t decoder = process->pid();
        // Only once it is locked down has it asked to die with its parent.
        test::WaitFor([&] {
            return test::ProcFile(decoder, "status").find("Seccomp:\t2\n") != std::string::npos;
        });
        _exit(::write(ends[1], &decoder, sizeof decoder) == sizeof decoder ? 0 : 1);
    }
    ::close(ends[1]);
    pid_t decoder = 0;
    ASSERT_EQ(::read(ends[0], &decoder, sizeof decoder), static_cast<ssize_t>(sizeof decoder));
    ::close(ends[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(parent, &status, 0), parent);
    // Gone, or a zombie waiting for whoever adopted it.
    EXPECT_TRUE(test::WaitFor([&] {
        const std::string state = test::ProcFile(decoder, "status");
        return state.empty() || state.find("State:\tZ") != std::string::npos;
    }));
}

// Landlock alone, without the seccomp filter that answers first: no file opens.
TEST(FileSystemLock, NoFileOpensOnceItIsTaken) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (!ForbidFileSystem()) {
            _exit(2);
        }
        const int fd = ::open("/etc/passwd", O_RDONLY);
        _exit(fd < 0 && errno == EACCES ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) {
        GTEST_SKIP() << "the kernel has no Landlock";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "/etc/passwd opened, or failed otherwise";
}

}  // namespace
}  // namespace sonaro
