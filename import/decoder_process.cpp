#include "import/decoder_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

#include "import/import_failure.h"

extern char** environ;

namespace sonaro {
namespace {

// The pipe holds this much, so that the decoder runs ahead while this process writes.
constexpr int kPipeBytes = 1 << 18;

// A descriptor that owns itself, closed when it goes.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// A copy of fd numbered 3 or above, so that placing the child's 0, 1 and 2 cannot overwrite it.
int AboveStandard(int fd) {
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
}

[[noreturn]] void CannotStart(const std::string& program, int error) {
    throw ImportFailure("The decoder program " + program +
                        " cannot be started: " + ::strerror(error) + ".");
}

class SpawnSetup {
  public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

}  // namespace

DecoderProcess::DecoderProcess(const std::string& program,
                               const std::vector<std::string>& arguments, int input) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        CannotStart(program, errno);
    }
    Descriptor read(ends[0]);
    Descriptor write(ends[1]);
    Descriptor readAbove(AboveStandard(read.get()));
    Descriptor writeAbove(AboveStandard(write.get()));
    Descriptor inputAbove(input >= 0 ? AboveStandard(input) : -1);
    if (readAbove.get() < 0 || writeAbove.get() < 0 || (input >= 0 && inputAbove.get() < 0)) {
        CannotStart(program, errno);
    }
    ::fcntl(writeAbove.get(), F_SETPIPE_SZ, kPipeBytes);

    SpawnSetup setup;
    if (input >= 0) {
        ::posix_spawn_file_actions_adddup2(&setup.actions, inputAbove.get(), STDIN_FILENO);
    } else {
        ::posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    ::posix_spawn_file_actions_adddup2(&setup.actions, writeAbove.get(), STDOUT_FILENO);
    ::posix_spawn_file_actions_addopen(&setup.actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    ::posix_spawnattr_setsigmask(&setup.attributes, &none);
    ::posix_spawnattr_setsigdefault(&setup.attributes, &all);
    ::posix_spawnattr_setpgroup(&setup.attributes, 0);
    ::posix_spawnattr_setflags(
        &setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    if (const int error = ::posix_spawn(&pid_, program.c_str(), &setup.actions, &setup.attributes,
                                        argv.data(), environ)) {
        CannotStart(program, error);
    }
    output_ = readAbove.release();
    // glibc 2.36 declares pidfd_open without C linkage for C++: the call is made directly.
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
}

DecoderProcess::~DecoderProcess() {
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
        Reaped(0);
    }
    if (pidfd_ >= 0) {
        ::close(pidfd_);
    }
    ::close(output_);
}

long DecoderProcess::Read(void* buffer, std::size_t size, std::chrono::milliseconds timeout) {
    pollfd ready{output_, POLLIN, 0};
    int count = 0;
    do {
        count = ::poll(&ready, 1, static_cast<int>(timeout.count()));
    } while (count < 0 && errno == EINTR);
    if (count == 0) {
        return -1;
    }
    ssize_t got = 0;
    do {
        got = ::read(output_, buffer, size);
    } while (got < 0 && errno == EINTR);
    // A read that fails after poll said ready is taken as the end of the output.
    return got > 0 ? static_cast<long>(got) : 0;
}

bool DecoderProcess::WaitEnd(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!Reaped(WNOHANG)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        if (pidfd_ >= 0) {
            pollfd ended{pidfd_, POLLIN, 0};
            ::poll(&ended, 1, static_cast<int>(left.count()));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

std::string DecoderProcess::HowEnded() const {
    if (status_ == kLost) {
        return "ended unseen";
    }
    if (WIFSIGNALED(status_)) {
        const char* name = ::sigabbrev_np(WTERMSIG(status_));
        return std::string("killed by signal ") +
               (name != nullptr ? name : std::to_string(WTERMSIG(status_)));
    }
    const int code = WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    return code == 0 ? std::string() : "exit status " + std::to_string(code);
}

bool DecoderProcess::Reaped(int options) {
    if (reaped_) {
        return true;
    }
    pid_t done = 0;
    do {
        done = ::waitpid(pid_, &status_, options);
    } while (done < 0 && errno == EINTR);
    if (done < 0 && errno == ECHILD) {
        status_ = kLost;  // reaped by someone else (SIGCHLD ignored): how it ended is unknown
        done = pid_;
    }
    reaped_ = done == pid_;
    return reaped_;
}

}  // namespace sonaro
