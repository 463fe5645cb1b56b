#pragma once

#include <chrono>
#include <functional>
#include <utility>

#include "convert/stages/progress_port.h"

namespace sonaro {

// Passes a stage's position to the progress window. The bar is moved and events are pumped only
// when the position changes or 20 ms have passed since the last pump, so reporting stays cheap
// however often a stage calls it.
class ProgressReporter {
  public:
    explicit ProgressReporter(ProgressPort& port) : port_(port) {}

    // Reports a bar position; answers true when the user has cancelled.
    bool Report(int position);

    // Work done before every pump and when a cancel is found, such as writing out output held
    // back: whatever the window shows, or a cancel stops, the stage's files are up to date.
    void SetBeforePump(std::function<void()> hook) { beforePump_ = std::move(hook); }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kPumpInterval = std::chrono::milliseconds(20);

    ProgressPort& port_;
    std::function<void()> beforePump_;
    bool reported_ = false;
    int lastPosition_ = 0;
    Clock::time_point lastPump_{};
};

}  // namespace sonaro
