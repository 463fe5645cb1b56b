// The decoder of the tests: the real one, which misbehaves after locking itself down as the
// environment variable SONARO_DECODER_FAULT asks. Built for the tests only, never installed.
//   forbidden-call  makes a system call outside the allow-list (socket)
//   open-passwd     tries to open /etc/passwd and answers the outcome as its failure text
//   memory          asks for 1.5 GiB and answers whether it got it
//   hang            spins without end (the parent's silence limit, or the CPU limit, stops it)
//   trickle         starts a record of 1 MiB and sends it a byte every 100 ms (only the
//                   deadline stops it)
//   garbage         sends a record of no known type, then exits 0
//   crash           dies by SIGSEGV after its first samples
//   stop-early      exits 0 after describing the sound, without its samples
#include <fcntl.h>
#include <linux/futex.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>

#include "import/decoder/decoder_main.h"
#include "import/decoder/reply_writer.h"

namespace {

std::string_view Fault() {
    const char* fault = std::getenv("SONARO_DECODER_FAULT");
    return fault != nullptr ? fault : "";
}

// A failure record straight to the parent, then the end of the process.
[[noreturn]] void Answer(const std::string& text) {
    sonaro::ReplyWriter reply([](const std::uint8_t* bytes, std::size_t size) {
        if (::write(STDOUT_FILENO, bytes, size) != static_cast<ssize_t>(size)) {
            sonaro::EndDecoder(1);
        }
    });
    reply.Failure(text);
    sonaro::EndDecoder(0);
}

// Sleeps without a timer call: a futex wait on a word that never changes, which the filter
// allows (locks use it).
void Sleep(long milliseconds) {
    int word = 0;
    const timespec wait{milliseconds / 1000, (milliseconds % 1000) * 1000000};
    ::syscall(SYS_futex, &word, FUTEX_WAIT_PRIVATE, 0, &wait);
}

[[noreturn]] void Spin() {
    volatile unsigned long turns = 0;
    for (;;) {
        turns = turns + 1;
    }
}

void LockedDown() {
    const std::string_view fault = Fault();
    if (fault == "forbidden-call") {
        ::syscall(SYS_socket, AF_INET, SOCK_STREAM, 0);
        Answer("the forbidden call returned");
    } else if (fault == "open-passwd") {
        const int fd = ::open("/etc/passwd", O_RDONLY);
        Answer(fd >= 0 ? "opened /etc/passwd" : std::strerror(errno));
    } else if (fault == "memory") {
        void* block = std::malloc(std::size_t{3} << 29);
        Answer(block != nullptr ? "allocation granted" : "allocation refused");
    } else if (fault == "hang") {
        Spin();
    } else if (fault == "trickle") {
        const unsigned char head[8] = {2, 0, 0, 0, 0, 0, 0x10, 0};
        if (::write(STDOUT_FILENO, head, sizeof head) != sizeof head) {
            sonaro::EndDecoder(1);
        }
        for (;;) {
            const char byte = 0;
            if (::write(STDOUT_FILENO, &byte, 1) != 1) {
                sonaro::EndDecoder(1);
            }
            Sleep(100);
        }
    } else if (fault == "garbage") {
        const unsigned char record[8] = {99, 0, 0, 0, 0, 0, 0, 0};
        if (::write(STDOUT_FILENO, record, sizeof record) == sizeof record) {
            sonaro::EndDecoder(0);
        }
    }
}

void Sent(sonaro::decoder::RecordType type) {
    const std::string_view fault = Fault();
    if (fault == "crash" && type == sonaro::decoder::RecordType::Samples) {
        *static_cast<volatile int*>(nullptr) = 1;
    } else if (fault == "stop-early" && type == sonaro::decoder::RecordType::Sound) {
        sonaro::EndDecoder(0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    return sonaro::DecoderMain(argc, argv, {LockedDown, Sent});
}
