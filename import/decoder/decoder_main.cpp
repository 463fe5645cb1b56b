#include "import/decoder/decoder_main.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <new>
#include <optional>
#include <string_view>

#include "convert/formats/little_endian.h"
#include "import/decoder/descriptor_source.h"
#include "import/decoder/extension_list.h"
#include "import/decoder/sandbox.h"
#include "import/decoder/sandbox_failure.h"
#include "import/decoder/sound_decoder.h"
#include "import/import_failure.h"

namespace sonaro {
namespace {

struct Arguments {
    std::string_view mode;
    pid_t parent = 0;
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

std::optional<Arguments> Parse(int argc, char** argv) {
    if (argc < 3) {
        return std::nullopt;
    }
    Arguments arguments;
    arguments.mode = argv[1];
    std::uint64_t memoryMiB = arguments.limits.addressSpaceBytes >> 20;
    for (int i = 2; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!Option(argument, "--parent=", arguments.parent) &&
            !Option(argument, "--cpu=", arguments.limits.cpuSeconds) &&
            !Option(argument, "--memory=", memoryMiB)) {
            return std::nullopt;
        }
    }
    arguments.limits.addressSpaceBytes = memoryMiB << 20;
    const bool known = arguments.mode == "decode" || arguments.mode == "extensions";
    return known && arguments.parent > 0 ? std::optional(arguments) : std::nullopt;
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

void EndDecoder(int status) {
    for (;;) {
        ::syscall(SYS_exit_group, status);
    }
}

int DecoderMain(int argc, char** argv, const DecoderHooks& hooks) {
    const std::optional<Arguments> arguments = Parse(argc, argv);
    if (!arguments) {
        return 2;
    }
    ReplyWriter reply([&hooks](const std::uint8_t* bytes, std::size_t size) {
        WriteToParent(bytes, size);
        if (hooks.sent != nullptr) {
            hooks.sent(static_cast<decoder::RecordType>(LoadLE32(bytes)));
        }
    });
    try {
        EnterSandbox(arguments->parent, arguments->limits);
    } catch (const SandboxFailure& failure) {
        reply.Failure(std::string("The decoder cannot lock itself down: ") + failure.what());
        EndDecoder(0);
    }
    if (hooks.lockedDown != nullptr) {
        hooks.lockedDown();
    }
    if (arguments->mode == "decode") {
        Decode(reply);
    } else {
        ListExtensions(reply);
    }
    EndDecoder(0);
}

}  // namespace sonaro
