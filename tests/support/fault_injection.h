#pragma once

#include <string>

#include "convert/files/file.h"

namespace sonaro::test {

// The error that makes an operation throw std::logic_error, as a fault of the program would.
constexpr int kInternalFault = -1;

// Makes file operations fail while it lives: the nth operation (counted from 1) of the given kind
// on a path containing pathPart fails with the errno value given (or kInternalFault). With nth 0,
// every such operation fails.
class ScopedFault {
  public:
    ScopedFault(FileOperation operation, int error, int nth = 1, std::string pathPart = "");
    ~ScopedFault();
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;

    // How many operations of the kind were seen on matching paths.
    int seen() const;
    bool fired() const;
};

}  // namespace sonaro::test
