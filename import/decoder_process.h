#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace sonaro {

// One run of the decoder program, started with posix_spawn: its standard input a socket on
// which it waits for its job (import/decoder_protocol.h), its standard output a pipe to this
// process, its standard error /dev/null; in a process group of its own (a terminal's Ctrl+C
// reaches only this process, which then ends it), every signal at its default and none blocked.
// It can be started before it is needed, its libraries loaded while nothing waits for it. A
// process that still runs when the object goes is killed and reaped.
class DecoderProcess {
  public:
    // Throws ImportFailure, naming the program and the system's reason, when it cannot start.
    explicit DecoderProcess(const std::string& program);
    ~DecoderProcess();
    DecoderProcess(const DecoderProcess&) = delete;
    DecoderProcess& operator=(const DecoderProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Sends the process its job, once: the words of its command ("decode", "--cpu=90", ...) and
    // the file to decode, an open descriptor (none: -1). Throws ImportFailure, as when it cannot
    // start, when the process is no longer there to take it.
    void Assign(const std::vector<std::string>& job, int input);

    // Waits up to timeout for output: answers the bytes read (0 when the output has ended), or
    // -1 when nothing came in time.
    long Read(void* buffer, std::size_t size, std::chrono::milliseconds timeout);

    // Waits up to timeout for the process to end; answers whether it has (and is reaped).
    bool WaitEnd(std::chrono::milliseconds timeout);
    // How the ended process ended: "" for exit status 0, else a description ("killed by signal
    // SYS", "exit status 1").
    std::string HowEnded() const;

  private:
    // Reaps the process if it has ended; answers whether it has.
    bool Reaped(int options);

    static constexpr int kLost = -1;

    std::string program_;
    pid_t pid_ = -1;
    int output_ = -1;  // the read end of the pipe
    int job_ = -1;     // this end of the socket, until the job is sent
    int pidfd_ = -1;   // readable when the process ends (-1 on kernels without pidfd)
    int status_ = 0;
    bool reaped_ = false;
};

}  // namespace sonaro
