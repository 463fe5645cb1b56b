#include "convert/stages/progress_reporter.h"

namespace sonaro {

bool ProgressReporter::Report(int position) {
    const auto now = Clock::now();
    if (!stop_ &&
        (!reported_ || position != lastPosition_ || now - lastReport_ >= kReportInterval)) {
        reported_ = true;
        lastPosition_ = position;
        lastReport_ = now;
        if (beforeReport_) {
            beforeReport_();
        }
        stop_ = port_.Report(position);
    }
    return stop_;
}

}  // namespace sonaro
