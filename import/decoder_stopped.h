#pragma once

#include <stdexcept>
#include <string>

namespace sonaro {

// The decoder process broke off or broke a rule: it crashed, was killed, ran past a limit or a
// deadline, or sent what the protocol does not allow. what() says which, for tests and
// debugging; the user is told only that the decoder stopped on the file.
class DecoderStopped : public std::runtime_error {
  public:
    explicit DecoderStopped(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace sonaro
