#include "import/decoder/sandbox.h"

#include <seccomp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "import/decoder/file_system_lock.h"
#include "import/decoder/sandbox_failure.h"

namespace sonaro {
namespace {

void CloseOtherDescriptors() {
    if (::close_range(3, ~0U, 0) != 0) {
        throw SandboxFailure("close_range", errno);
    }
}

// The parent may have ended before the death signal was asked for: the process then belongs to
// another and ends at once.
void DieWithParent(pid_t parent) {
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) {
        throw SandboxFailure("PR_SET_PDEATHSIG", errno);
    }
    if (::getppid() != parent) {
        std::_Exit(1);
    }
}

void NoNewPrivileges() {
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        throw SandboxFailure("PR_SET_NO_NEW_PRIVS", errno);
    }
}

void Limit(int resource, rlim_t value, const char* name) {
    const rlimit limit{value, value};
    if (::setrlimit(resource, &limit) != 0) {
        throw SandboxFailure(name, errno);
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Past the processor time, SIGXCPU ends the process; a second later SIGKILL does.
void SetLimits(const SandboxLimits& limits) {
    const rlimit cpu{limits.cpuSeconds, limits.cpuSeconds + 1U};
    if (::setrlimit(RLIMIT_CPU, &cpu) != 0) {
        throw SandboxFailure("RLIMIT_CPU", errno);
    }
    if (!kAddressSanitizer) {
        Limit(RLIMIT_AS, limits.addressSpaceBytes, "RLIMIT_AS");
    }
    Limit(RLIMIT_FSIZE, 0, "RLIMIT_FSIZE");
    Limit(RLIMIT_NOFILE, 3, "RLIMIT_NOFILE");
    Limit(RLIMIT_CORE, 0, "RLIMIT_CORE");
}

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
    void Load() {
        if (const int result = seccomp_load(context_); result != 0) {
            throw SandboxFailure("seccomp_load", -result);
        }
    }

  private:
    scmp_filter_ctx context_;
};

// AddressSanitizer asks for the signal stack's state at every call that does not return (a
// throw, the process's end).
constexpr int kAllowedUnderAddressSanitizer[] = {SCMP_SYS(sigaltstack)};

// Writes go to the parent (1) or to standard error (2, /dev/null); no memory is ever made
// executable.
void InstallFilter() {
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
    filter.Load();
}

}  // namespace

void PrepareSandbox(pid_t parent) {
    CloseOtherDescriptors();
    DieWithParent(parent);
}

void EnterSandbox(const SandboxLimits& limits) {
    CloseOtherDescriptors();
    NoNewPrivileges();
    ForbidFileSystem();
    SetLimits(limits);
    InstallFilter();
}

}  // namespace sonaro
