#include "ui/batch_time_left.h"

#include <algorithm>
#include <cmath>

namespace sonaro {
namespace {

// Below these, the rate of the work so far says little about the rest.
constexpr double kLeastSeconds = 2.0;
constexpr double kLeastShare = 0.02;

}  // namespace

QString TimeLeftText(double elapsedSeconds, double doneShare) {
    if (elapsedSeconds < kLeastSeconds || doneShare < kLeastShare || doneShare >= 1.0) {
        return {};
    }
    const double left = elapsedSeconds * (1.0 - doneShare) / doneShare;
    if (left <= 55.0) {
        const int seconds = std::max(5, static_cast<int>(std::ceil(left / 5.0)) * 5);
        return QStringLiteral("about %1 s left").arg(seconds);
    }
    return QStringLiteral("about %1 min left").arg(static_cast<int>(std::ceil(left / 60.0)));
}

}  // namespace sonaro
