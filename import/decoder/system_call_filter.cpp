#include "import/decoder/system_call_filter.h"

#include <fcntl.h>
#include <linux/seccomp.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "import/decoder/address_sanitizer.h"
#include "import/decoder/sandbox_failure.h"

namespace sonaro {
namespace {

// The calls that decoding every format libsndfile reads was seen to make, through the C and C++
// libraries (memory, qsort's sysinfo, getrandom for the heap, futex for locks).
constexpr int kAllowed[] = {
    SCMP_SYS(read),  SCMP_SYS(lseek),      SCMP_SYS(fstat),   SCMP_SYS(newfstatat),
    SCMP_SYS(brk),   SCMP_SYS(munmap),     SCMP_SYS(mremap),  SCMP_SYS(madvise),
    SCMP_SYS(close), SCMP_SYS(getrandom),  SCMP_SYS(sysinfo), SCMP_SYS(futex),
    SCMP_SYS(exit),  SCMP_SYS(exit_group),
};

// A condition on a call's argument: compared with a, or, masked by a, with b. (libseccomp's
// SCMP_A* macros are C compound literals.)
constexpr scmp_arg_cmp Argument(unsigned argument, scmp_compare compare, scmp_datum_t a,
                                scmp_datum_t b = 0) {
    return {argument, compare, a, b};
}

class Filter {
  public:
    Filter() : context_(seccomp_init(SCMP_ACT_KILL_PROCESS)) {
        if (context_ == nullptr) {
            throw SandboxFailure("seccomp_init", ENOMEM);
        }
    }
    ~Filter() { seccomp_release(context_); }
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    template <typename... Conditions>
    void Add(std::uint32_t action, int call, Conditions... conditions) {
        const int result =
            seccomp_rule_add(context_, action, call, sizeof...(conditions), conditions...);
        if (result != 0) {
            throw SandboxFailure("seccomp_rule_add", -result);
        }
    }
    // The BPF program, exported through a pipe (libseccomp writes it to a descriptor).
    std::vector<sock_filter> Program() const;

  private:
    scmp_filter_ctx context_;
};

// AddressSanitizer asks for the signal stack's state at every call that does not return (a
// throw, the process's end).
constexpr int kAllowedUnderAddressSanitizer[] = {SCMP_SYS(sigaltstack)};

// Writes go to the parent (1) or to standard error (2, /dev/null); no memory is ever made
// executable.
std::vector<sock_filter> Compile() {
    Filter filter;
    for (const int call : kAllowed) {
        filter.Add(SCMP_ACT_ALLOW, call);
    }
    if (kAddressSanitizer) {
        for (const int call : kAllowedUnderAddressSanitizer) {
            filter.Add(SCMP_ACT_ALLOW, call);
        }
    }
    filter.Add(SCMP_ACT_ALLOW, SCMP_SYS(write), Argument(0, SCMP_CMP_EQ, 1));
    filter.Add(SCMP_ACT_ALLOW, SCMP_SYS(write), Argument(0, SCMP_CMP_EQ, 2));
    const scmp_arg_cmp notExecutable = Argument(2, SCMP_CMP_MASKED_EQ, PROT_EXEC, 0);
    filter.Add(SCMP_ACT_ALLOW, SCMP_SYS(mmap), notExecutable);
    filter.Add(SCMP_ACT_ALLOW, SCMP_SYS(mprotect), notExecutable);
    filter.Add(SCMP_ACT_ERRNO(EACCES), SCMP_SYS(open));
    filter.Add(SCMP_ACT_ERRNO(EACCES), SCMP_SYS(openat));
    return filter.Program();
}

std::vector<sock_filter> Filter::Program() const {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        throw SandboxFailure("pipe2", errno);
    }
    const int exported = seccomp_export_bpf(context_, ends[1]);
    ::close(ends[1]);
    std::vector<sock_filter> program;
    sock_filter instruction{};
    while (::read(ends[0], &instruction, sizeof instruction) == sizeof instruction) {
        program.push_back(instruction);
    }
    ::close(ends[0]);
    if (exported != 0 || program.empty()) {
        throw SandboxFailure("seccomp_export_bpf", exported != 0 ? -exported : EINVAL);
    }
    return program;
}

}  // namespace

SystemCallFilter::SystemCallFilter() : program_(Compile()) {}

void SystemCallFilter::Install() const {
    const sock_fprog program{static_cast<unsigned short>(program_.size()),
                             const_cast<sock_filter*>(program_.data())};
    if (::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) != 0) {
        throw SandboxFailure("seccomp", errno);
    }
}

}  // namespace sonaro
