#pragma once

#include <linux/filter.h>

#include <vector>

namespace sonaro {

// The decoder's seccomp filter: the calls decoding makes are allowed, opening a file is answered
// EACCES (libsndfile looks for side files by name), any other call kills the process. libseccomp
// compiles it in advance, while the process waits for its job; installing it is then one call.
class SystemCallFilter {
  public:
    // Throws SandboxFailure when libseccomp cannot compile it.
    SystemCallFilter();

    // Installs the filter for the calling process, which must have no new privileges already.
    // Throws SandboxFailure when the kernel refuses it.
    void Install() const;

  private:
    std::vector<sock_filter> program_;
};

}  // namespace sonaro
