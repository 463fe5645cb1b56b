#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

namespace sonaro {

// A step of the decoder's lock-down that failed; what() names the step and the system's reason.
class SandboxFailure : public std::runtime_error {
  public:
    SandboxFailure(const char* step, int error)
        : std::runtime_error(std::string(step) + ": " + std::strerror(error)) {}
};

}  // namespace sonaro
