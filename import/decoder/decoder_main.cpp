#include "import/decoder/decoder_main.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/formats/little_endian.h"
#include "import/decoder/descriptor_source.h"
#include "import/decoder/extension_list.h"
#include "import/decoder/job_receiver.h"
#include "import/decoder/sandbox.h"
#include "import/decoder/sandbox_failure.h"
#include "import/decoder/sound_decoder.h"
#include "import/import_failure.h"

namespace sonaro {
namespace {

struct Job {
    std::string mode;
    SandboxLimits limits;
};

// The number after name= in argument, when it has that name.
template <typename Number>
bool Option(std::string_view argument, std::string_view name, Number& value) {
    if (argument.substr(0, name.size()) != name) {
        return false;
    }
    const std::string_view digits = argument.substr(name.size());
    const auto [end, error] = std::from_chars(digits.begin(), digits.end(), value);
    return error == std::errc() && end == digits.end();
}

// The parent's process id from the command line, "--parent=PID".
std::optional<pid_t> Parent(int argc, char** argv) {
    pid_t parent = 0;
    if (argc != 2 || !Option(argv[1], "--parent=", parent) || parent <= 0) {
        return std::nullopt;
    }
    return parent;
}

std::optional<Job> ParseJob(const std::vector<std::string>& words) {
    if (words.empty() || (words[0] != "decode" && words[0] != "extensions")) {
        return std::nullopt;
    }
    Job job{words[0], {}};
    std::uint64_t memoryMiB = job.limits.addressSpaceBytes >> 20;
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (!Option(words[i], "--cpu=", job.limits.cpuSeconds) &&
            !Option(words[i], "--memory=", memoryMiB)) {
            return std::nullopt;
        }
    }
    job.limits.addressSpaceBytes = memoryMiB << 20;
    return job;
}

// Everything goes to the parent, whole; a parent that has gone ends the process (SIGPIPE).
void WriteToParent(const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, bytes, size);
        if (written < 0 && errno != EINTR) {
            EndDecoder(1);
        }
        if (written > 0) {
            bytes += written;
            size -= static_cast<std::size_t>(written);
        }
    }
}

void Decode(ReplyWriter& reply) {
    try {
        DescriptorSource bytes(STDIN_FILENO);
        SoundSource input(bytes);
        DecodeSound(input, reply);
    } catch (const ImportFailure& failure) {
        reply.Failure(failure.what());
    } catch (const std::bad_alloc&) {
        reply.Failure("Not enough memory.");
    }
}

void ListExtensions(ReplyWriter& reply) {
    for (const std::string& ending : ReadableExtensions()) {
        reply.Extension(ending);
    }
    reply.End();
}

}  // namespace

// The output is closed first: the parent sees its end at once, not after the process's memory
// has been taken down.
void EndDecoder(int status) {
    ::close(STDOUT_FILENO);
    for (;;) {
        ::syscall(SYS_exit_group, status);
    }
}

int DecoderMain(int argc, char** argv, const DecoderHooks& hooks) {
    const std::optional<pid_t> parent = Parent(argc, argv);
    if (!parent) {
        return 2;
    }
    ReplyWriter reply([&hooks](const std::uint8_t* bytes, std::size_t size) {
        WriteToParent(bytes, size);
        if (hooks.sent != nullptr) {
            hooks.sent(static_cast<decoder::RecordType>(LoadLE32(bytes)));
        }
    });
    std::optional<Sandbox> sandbox;
    std::optional<Job> job;
    try {
        sandbox.emplace(*parent);
        const auto words = ReceiveJob();
        if (!words) {
            EndDecoder(0);  // no job: the parent no longer needs this process
        }
        job = ParseJob(*words);
        if (!job) {
            EndDecoder(2);
        }
        sandbox->Enter(job->limits);
    } catch (const SandboxFailure& failure) {
        reply.Failure(std::string("The decoder cannot lock itself down: ") + failure.what());
        EndDecoder(0);
    }
    if (hooks.lockedDown != nullptr) {
        hooks.lockedDown();
    }
    if (job->mode == "decode") {
        Decode(reply);
    } else {
        ListExtensions(reply);
    }
    EndDecoder(0);
}

}  // namespace sonaro
