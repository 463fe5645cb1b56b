#include "convert/stages/stage_progress.h"

#include "convert/files/file_error_report.h"
#include "resources/string_ids.h"

namespace sonaro {

int StageProgress::Position(std::uint64_t index, std::uint64_t count) const {
    const double share =
        static_cast<double>(span_) * static_cast<double>(index) / static_cast<double>(count);
    return base_ + static_cast<int>(share);
}

bool StageProgress::Cancelled(std::uint64_t index, std::uint64_t count) {
    if (!reporter_.Report(Position(index, count))) {
        return false;
    }
    ShowStringMessage(messages_, IDS_CONVERSION_CANCELLED);
    return true;
}

}  // namespace sonaro
