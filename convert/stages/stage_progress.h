#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "convert/stages/progress_reporter.h"
#include "convert/stages/stage_context.h"

namespace sonaro {

// A stage's share of the progress bar: each report after a block moves the bar to
// base + span × index ÷ count (formed in floating point, truncated) and looks for a cancel.
class StageProgress {
  public:
    StageProgress(StageContext& context, int base, int span)
        : reporter_(context.progress), messages_(context.messages), base_(base), span_(span) {}

    // The bar position for block index of count.
    int Position(std::uint64_t index, std::uint64_t count) const;

    // Reports block index of count. When the user has cancelled, shows "Conversion cancelled."
    // and answers true: the stage then stops.
    bool Cancelled(std::uint64_t index, std::uint64_t count);

    // Work done before every pump and when a cancel is found (see ProgressReporter).
    void SetBeforePump(std::function<void()> hook) { reporter_.SetBeforePump(std::move(hook)); }

  private:
    ProgressReporter reporter_;
    MessagePort& messages_;
    int base_;
    int span_;
};

}  // namespace sonaro
