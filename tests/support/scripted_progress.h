#pragma once

#include <string>
#include <vector>

#include "convert/stages/progress_port.h"

namespace sonaro::test {

// The progress interface of the tests and benchmarks. It writes down every message and every
// position reported, and at each report how long a watched file is (-1: none), so that a test can
// tell what a stage had written when it was told to stop; from a chosen report on (counted from
// 1; 0: never) it answers stop, as a user pressing Cancel would.
class ScriptedProgress final : public ProgressPort {
  public:
    explicit ScriptedProgress(int stopAtReport = 0, std::string watched = "")
        : stopAtReport_(stopAtReport), watched_(std::move(watched)) {}

    void SetMessage(const std::string& text) override { messages.push_back(text); }
    bool Report(int position) override;

    // What the bar showed: the positions without repeats in a row.
    std::vector<int> ShownPositions() const;

    std::vector<std::string> messages;
    std::vector<int> positions;
    std::vector<long> sizesAtReport;
    int reports = 0;
    bool cancelled = false;

  private:
    int stopAtReport_;
    std::string watched_;
};

}  // namespace sonaro::test
