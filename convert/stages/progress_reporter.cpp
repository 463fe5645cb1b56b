#include "convert/stages/progress_reporter.h"

namespace sonaro {

bool ProgressReporter::Report(int position) {
    const auto now = Clock::now();
    if (!reported_ || position != lastPosition_ || now - lastPump_ >= kPumpInterval) {
        reported_ = true;
        lastPosition_ = position;
        lastPump_ = now;
        if (beforePump_) {
            beforePump_();
        }
        port_.SetBarPos(position);
        port_.PumpWaitingMessages(true);
    } else if (port_.IsCancelled() && beforePump_) {
        beforePump_();
    }
    return port_.IsCancelled();
}

}  // namespace sonaro
