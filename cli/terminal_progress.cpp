#include "cli/terminal_progress.h"

#include <ostream>

#include "cli/interrupt.h"

namespace sonaro {

TerminalProgress::TerminalProgress(std::ostream& errors, std::mutex& errorsLock, bool visible)
    : errors_(errors), errorsLock_(errorsLock), visible_(visible) {}

// Clears the line so that what follows starts on a clean one.
TerminalProgress::~TerminalProgress() {
    if (drawn_) {
        std::lock_guard lock(errorsLock_);
        errors_ << "\r\033[K" << std::flush;
    }
}

int TerminalProgress::SetBarRange(int lower, int upper, int /*step*/) {
    lower_ = lower;
    upper_ = upper;
    return 0;
}

int TerminalProgress::SetBarPos(int position) {
    const int previous = position_;
    position_ = position;
    if (position != previous) {
        Draw();
    }
    return previous;
}

void TerminalProgress::SetMessage(const std::string& text) {
    message_ = text;
    Draw();
}

void TerminalProgress::PumpWaitingMessages(bool cancelOnEscape) {
    if (cancelOnEscape && Interrupted()) {
        cancelled_ = true;
    }
}

void TerminalProgress::Draw() {
    if (!visible_ || cancelled_) {
        return;
    }
    const int span = upper_ > lower_ ? upper_ - lower_ : 1;
    const int percent = (position_ - lower_) * 100 / span;
    std::lock_guard lock(errorsLock_);
    errors_ << "\r\033[K" << message_ << "  " << percent << '%' << std::flush;
    drawn_ = true;
}

}  // namespace sonaro
