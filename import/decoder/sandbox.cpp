#include "import/decoder/sandbox.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "import/decoder/address_sanitizer.h"
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

}  // namespace

Sandbox::Sandbox(pid_t parent) {
    CloseOtherDescriptors();
    DieWithParent(parent);
}

void Sandbox::Enter(const SandboxLimits& limits) {
    CloseOtherDescriptors();
    NoNewPrivileges();
    ForbidFileSystem();
    SetLimits(limits);
    filter_.Install();
}

}  // namespace sonaro
