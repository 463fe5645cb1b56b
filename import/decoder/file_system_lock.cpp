#include "import/decoder/file_system_lock.h"

#include <linux/landlock.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "import/decoder/sandbox_failure.h"

namespace sonaro {
namespace {

// The file-system rights that a Landlock ABI version knows: 13 in the first, then one more in
// the second (refer), third (truncate) and fifth (ioctl on devices).
std::uint64_t FileSystemRights(long abi) {
    int rights = 13;
    rights += abi >= 2 ? 1 : 0;
    rights += abi >= 3 ? 1 : 0;
    rights += abi >= 5 ? 1 : 0;
    return (std::uint64_t{1} << rights) - 1;
}

}  // namespace

// glibc has no wrappers for the Landlock calls.
bool ForbidFileSystem() {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) {
        return false;
    }
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs = FileSystemRights(abi);
    const long ruleset = ::syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0);
    if (ruleset < 0) {
        throw SandboxFailure("landlock_create_ruleset", errno);
    }
    const long restricted = ::syscall(SYS_landlock_restrict_self, ruleset, 0);
    const int error = errno;
    ::close(static_cast<int>(ruleset));
    if (restricted != 0) {
        throw SandboxFailure("landlock_restrict_self", error);
    }
    return true;
}

}  // namespace sonaro
