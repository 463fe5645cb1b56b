#pragma once

#include <iosfwd>
#include <mutex>
#include <string>

#include "convert/files/failure.h"

namespace sonaro {

// The messages of one input on standard error, each on one line with the program's name and the
// file it concerns: "sonaro-convert: PATH: TEXT".
class TerminalMessages {
  public:
    TerminalMessages(std::ostream& errors, std::mutex& errorsLock, std::string input);

    // The input is read from path (a copy of the standard input, "-", lies elsewhere): messages
    // about that path name the input as the user gave it.
    void ReadFrom(const std::string& path) { openedPath_ = path; }

    // Tells the failure; one that names no file concerns the input. A reader that has gone (EPIPE)
    // is no failure to tell: the run ends as if by SIGPIPE. A wait for a FIFO's reader that a
    // signal broke off is the cancel it is.
    void Show(const Failure& failure);

  private:
    void Print(const std::string& path, const std::string& text);

    std::ostream& errors_;
    std::mutex& errorsLock_;
    std::string input_;
    std::string openedPath_;
};

}  // namespace sonaro
