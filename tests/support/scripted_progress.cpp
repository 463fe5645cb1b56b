#include "tests/support/scripted_progress.h"

#include <filesystem>

namespace sonaro::test {

bool ScriptedProgress::BeginModal(const std::string& title, bool smooth) {
    calls.push_back("BeginModal(" + title + ", " + std::to_string(smooth) + ")");
    return true;
}

int ScriptedProgress::SetBarRange(int lower, int upper, int step) {
    calls.push_back("SetBarRange(" + std::to_string(lower) + ", " + std::to_string(upper) + ", " +
                    std::to_string(step) + ")");
    return 0;
}

int ScriptedProgress::SetBarPos(int position) {
    const int previous = positions.empty() ? 0 : positions.back();
    positions.push_back(position);
    return previous;
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

void ScriptedProgress::SetMessage(const std::string& text) {
    calls.push_back("SetMessage(" + text + ")");
}

void ScriptedProgress::Layout(int textLines, int textWidth) {
    calls.push_back("Layout(" + std::to_string(textLines) + ", " + std::to_string(textWidth) + ")");
}

void ScriptedProgress::PumpWaitingMessages(bool cancelOnEscape) {
    calls.push_back(cancelOnEscape ? "Pump" : "Pump without Escape");
    std::error_code error;
    const auto size = watched_.empty() ? 0 : std::filesystem::file_size(watched_, error);
    sizesAtPump.push_back(watched_.empty() || error ? -1 : static_cast<long>(size));
    ++pumps;
    if (cancelOnEscape && cancelAtPump_ > 0 && pumps >= cancelAtPump_) {
        cancelled = true;
    }
}

}  // namespace sonaro::test
