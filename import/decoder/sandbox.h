#pragma once

#include <sys/types.h>

#include <cstdint>

#include "import/decoder/system_call_filter.h"

namespace sonaro {

// The limits the decoder process sets on itself.
struct SandboxLimits {
    unsigned cpuSeconds = 60;
    std::uint64_t addressSpaceBytes = std::uint64_t{1} << 30;
};

// The decoder's lock-down, in two parts. Throws SandboxFailure when a step that protects fails.
class Sandbox {
  public:
    // The first part, as the process starts: every descriptor but 0, 1 and 2 closed; killed when
    // its parent (whose process id is given) ends, and ended at once if that parent has already
    // gone; the system-call filter compiled.
    explicit Sandbox(pid_t parent);

    // The rest, before the process reads its input: every descriptor but 0, 1 and 2 closed
    // again; no new privileges; Landlock without any file-system right where the kernel has it;
    // limits on processor time, address space (not under AddressSanitizer, which reserves
    // terabytes), file size (nothing), open files (the three it has) and core dumps (none); and
    // the filter installed.
    void Enter(const SandboxLimits& limits);

  private:
    SystemCallFilter filter_;
};

}  // namespace sonaro
