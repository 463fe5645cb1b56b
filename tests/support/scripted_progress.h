#pragma once

#include <string>
#include <vector>

#include "convert/stages/progress_port.h"

namespace sonaro::test {

// A progress window for tests: records every bar position and can cancel at a chosen report
// (the Nth pump, counted from 1), as a user pressing Cancel would.
class ScriptedProgress final : public ProgressPort {
  public:
    explicit ScriptedProgress(int cancelAtPump = 0) : cancelAtPump_(cancelAtPump) {}

    bool BeginModal(const std::string&, bool) override;
    int SetBarRange(int lower, int upper, int step) override;
    int SetBarPos(int position) override;
    void SetMessage(const std::string& text) override { message = text; }
    void Layout(int, int) override {}
    void PumpWaitingMessages(bool cancelOnEscape) override;
    bool IsCancelled() const override { return cancelled; }

    std::vector<int> positions;
    int pumps = 0;
    bool modal = false;
    bool cancelled = false;
    std::string message;

  private:
    int cancelAtPump_;
};

}  // namespace sonaro::test
