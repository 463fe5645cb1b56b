#include "tests/support/scripted_progress.h"

namespace sonaro::test {

bool ScriptedProgress::BeginModal(const std::string&, bool) {
    modal = true;
    return true;
}

int ScriptedProgress::SetBarRange(int, int, int) {
    return 0;
}

int ScriptedProgress::SetBarPos(int position) {
    const int previous = positions.empty() ? 0 : positions.back();
    positions.push_back(position);
    return previous;
}

void ScriptedProgress::PumpWaitingMessages(bool cancelOnEscape) {
    ++pumps;
    if (cancelOnEscape && cancelAtPump_ > 0 && pumps >= cancelAtPump_) {
        cancelled = true;
    }
}

}  // namespace sonaro::test
