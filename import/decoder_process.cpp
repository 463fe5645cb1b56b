#include "import/decoder_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include "import/import_failure.h"

extern char** environ;

namespace sonaro {
namespace {

// The pipe holds this much (the most a user may ask for by default), so that the decoder can send
// a few seconds of sound without waiting for this process: fewer hand-overs between the two.
constexpr int kPipeBytes = 1 << 20;

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

DecoderProcess::DecoderProcess(const std::string& program) : program_(program) {
    int output[2];
    int job[2];
    if (::pipe2(output, O_CLOEXEC) != 0) {
        CannotStart(program, errno);
    }
    Descriptor read(output[0]);
    Descriptor write(output[1]);
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, job) != 0) {
        CannotStart(program, errno);
    }
    Descriptor jobHere(job[0]);
    Descriptor jobThere(job[1]);
    Descriptor writeAbove(AboveStandard(write.get()));
    Descriptor jobAbove(AboveStandard(jobThere.get()));
    if (writeAbove.get() < 0 || jobAbove.get() < 0) {
        CannotStart(program, errno);
    }
    ::fcntl(writeAbove.get(), F_SETPIPE_SZ, kPipeBytes);  // at best; the default works too

    SpawnSetup setup;
    ::posix_spawn_file_actions_adddup2(&setup.actions, jobAbove.get(), STDIN_FILENO);
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

    std::string parent = "--parent=" + std::to_string(::getpid());
    char* argv[] = {program_.data(), parent.data(), nullptr};
    if (const int error = ::posix_spawn(&pid_, program_.c_str(), &setup.actions, &setup.attributes,
                                        argv, environ)) {
        CannotStart(program, error);
    }
    output_ = read.release();
    job_ = jobHere.release();
    // glibc 2.36 declares pidfd_open without C linkage for C++: the call is made directly.
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
}

void DecoderProcess::Assign(const std::vector<std::string>& job, int input) {
    std::string text;
    for (const std::string& word : job) {
        text.append(word).push_back('\0');
    }
    iovec part{text.data(), text.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (input >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* passed = CMSG_FIRSTHDR(&message);
        passed->cmsg_level = SOL_SOCKET;
        passed->cmsg_type = SCM_RIGHTS;
        passed->cmsg_len = CMSG_LEN(sizeof input);
        std::memcpy(CMSG_DATA(passed), &input, sizeof input);
    }
    ssize_t sent = 0;
    do {
        sent = ::sendmsg(job_, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    const int error = sent < 0 ? errno : EMSGSIZE;
    ::close(std::exchange(job_, -1));
    if (sent != static_cast<ssize_t>(text.size())) {
        CannotStart(program_, error);
    }
}

DecoderProcess::~DecoderProcess() {
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
        Reaped(0);
    }
    for (const int fd : {pidfd_, job_, output_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
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
