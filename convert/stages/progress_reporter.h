#pragma once

#include <chrono>
#include <functional>
#include <utility>

#include "convert/stages/progress_port.h"

namespace sonaro {

// Passes a stage's position to the progress interface, only when the position changes or 20 ms
// have passed since the last report went out, so that reporting stays cheap however often a stage
// calls it. In between it answers what the last report answered.
class ProgressReporter {
  public:
    explicit ProgressReporter(ProgressPort& port) : port_(port) {}

    // Reports a position; answers true when the work should stop.
    bool Report(int position);

    // Work done before each report goes out, such as writing out output held back: whatever the
    // front end shows, or a stop ends, the stage's files are up to date.
    void SetBeforeReport(std::function<void()> hook) { beforeReport_ = std::move(hook); }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kReportInterval = std::chrono::milliseconds(20);

    ProgressPort& port_;
    std::function<void()> beforeReport_;
    bool reported_ = false;
    bool stop_ = false;
    int lastPosition_ = 0;
    Clock::time_point lastReport_{};
};

}  // namespace sonaro
