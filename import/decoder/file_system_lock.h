#pragma once

namespace sonaro {

// Takes every file-system right from the calling process for good, with Landlock: every right
// the kernel's Landlock knows is handled and none granted, so no file can be opened, made or
// changed. Answers false, changing nothing, on a kernel without Landlock; throws SandboxFailure
// when Landlock is there but refuses.
bool ForbidFileSystem();

}  // namespace sonaro
