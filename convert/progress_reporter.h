#pragma once

#include <chrono>

#include "convert/progress_port.h"

namespace sonaro {

// Passes a stage's position to the progress window. The bar is moved and events are pumped only
// when the position changes or 20 ms have passed since the last pump, so reporting stays cheap
// however often a stage calls it.
class ProgressReporter {
  public:
    explicit ProgressReporter(ProgressPort& port) : port_(port) {}

    // Reports a bar position; answers true when the user has cancelled.
    bool Report(int position);

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kPumpInterval = std::chrono::milliseconds(20);

    ProgressPort& port_;
    bool reported_ = false;
    int lastPosition_ = 0;
    Clock::time_point lastPump_{};
};

}  // namespace sonaro
