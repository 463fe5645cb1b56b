#pragma once

#include <stdexcept>
#include <string>

namespace sonaro {

// An import that cannot go on; what() is the reason shown to the user after the file's path.
class ImportFailure : public std::runtime_error {
  public:
    explicit ImportFailure(const std::string& reason) : std::runtime_error(reason) {}
};

}  // namespace sonaro
