#pragma once

#include <string>
#include <vector>

#include "convert/stages/progress_port.h"

namespace sonaro::test {

// The progress window of the tests and benchmarks. It writes down every call but the bar's moves
// as text ("BeginModal(Progress, 0)", "Layout(1, 320)", "Pump", ...), every bar position, and at
// each pump how long a watched file is (-1: none), so that a test can tell what a stage had
// written when it was told to stop; and it cancels at a chosen pump (counted from 1; 0: never),
// as a user pressing Cancel would.
class ScriptedProgress final : public ProgressPort {
  public:
    explicit ScriptedProgress(int cancelAtPump = 0, std::string watched = "")
        : cancelAtPump_(cancelAtPump), watched_(std::move(watched)) {}

    bool BeginModal(const std::string& title, bool smooth) override;
    int SetBarRange(int lower, int upper, int step) override;
    int SetBarPos(int position) override;
    void SetMessage(const std::string& text) override;
    void Layout(int textLines, int textWidth) override;
    void PumpWaitingMessages(bool cancelOnEscape) override;
    bool IsCancelled() const override { return cancelled; }

    // What the bar showed: the positions without repeats in a row.
    std::vector<int> ShownPositions() const;

    std::vector<std::string> calls;
    std::vector<int> positions;
    std::vector<long> sizesAtPump;
    int pumps = 0;
    bool cancelled = false;

  private:
    int cancelAtPump_;
    std::string watched_;
};

}  // namespace sonaro::test
