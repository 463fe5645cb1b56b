#pragma once

#include <sys/types.h>

#include <cstdint>

namespace sonaro {

// The limits the decoder process sets on itself.
struct SandboxLimits {
    unsigned cpuSeconds = 60;
    std::uint64_t addressSpaceBytes = std::uint64_t{1} << 30;
};

// The first steps, as the process starts: every descriptor but 0, 1 and 2 closed; killed when
// its parent (whose process id is given) ends, and ended at once if that parent has already
// gone. Throws SandboxFailure when a step fails.
void PrepareSandbox(pid_t parent);

// Locks the calling process down before it reads its input: every descriptor but 0, 1 and 2
// closed again; no new privileges; Landlock without any file-system right where the kernel has
// it; limits on processor time, address space (not under AddressSanitizer, which reserves
// terabytes), file size (nothing), open files (the three it has) and core dumps (none); and a
// seccomp filter that allows the calls decoding makes, answers opening a file with EACCES and
// kills the process on any other call. Throws SandboxFailure when a step that protects fails.
void EnterSandbox(const SandboxLimits& limits);

}  // namespace sonaro
