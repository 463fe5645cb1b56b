#include "tests/support/scripted_progress.h"

#include <filesystem>

namespace sonaro::test {

bool ScriptedProgress::Report(int position) {
    positions.push_back(position);
    std::error_code error;
    const auto size = watched_.empty() ? 0 : std::filesystem::file_size(watched_, error);
    sizesAtReport.push_back(watched_.empty() || error ? -1 : static_cast<long>(size));
    ++reports;
    cancelled = cancelled || (stopAtReport_ > 0 && reports >= stopAtReport_);
    return cancelled;
}

std::vector<int> ScriptedProgress::ShownPositions() const {
    std::vector<int> shown;
    for (const int position : positions) {
        if (shown.empty() || shown.back() != position) {
            shown.push_back(position);
        }
    }
    return shown;
}

}  // namespace sonaro::test
