#pragma once

#include <iosfwd>
#include <mutex>
#include <string>

#include "convert/stages/progress_port.h"

namespace sonaro {

// The progress of one conversion as a single line on standard error ("name  42%"), redrawn in
// place, when standard error is a terminal. Cancelled by Ctrl-C.
class TerminalProgress final : public ProgressPort {
  public:
    TerminalProgress(std::ostream& errors, std::mutex& errorsLock, bool visible);
    ~TerminalProgress() override;

    bool BeginModal(const std::string&, bool) override { return true; }
    int SetBarRange(int lower, int upper, int step) override;
    int SetBarPos(int position) override;
    void SetMessage(const std::string& text) override;
    void Layout(int, int) override {}
    void PumpWaitingMessages(bool cancelOnEscape) override;
    bool IsCancelled() const override { return cancelled_; }

  private:
    void Draw();

    std::ostream& errors_;
    std::mutex& errorsLock_;
    bool visible_;
    bool drawn_ = false;
    bool cancelled_ = false;
    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
    std::string message_;
};

}  // namespace sonaro
