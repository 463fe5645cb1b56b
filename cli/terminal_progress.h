#pragma once

#include <iosfwd>
#include <mutex>
#include <string>

#include "convert/stages/progress_port.h"

namespace sonaro {

// The progress of one input as a single line on standard error ("name  42%"), redrawn in place
// when it is visible (standard error is a terminal); cleared when the object goes. A signal that
// interrupts the run (Ctrl-C) stops the work at its next report.
class TerminalProgress final : public ProgressPort {
  public:
    TerminalProgress(std::ostream& errors, std::mutex& errorsLock, bool visible);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void SetMessage(const std::string& text) override;
    bool Report(int position) override;

  private:
    void Draw();

    std::ostream& errors_;
    std::mutex& errorsLock_;
    bool visible_;
    bool drawn_ = false;
    bool stopped_ = false;
    int position_ = 0;
    std::string message_;
};

}  // namespace sonaro
