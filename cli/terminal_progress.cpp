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

// A new line of text starts a new piece of work, from 0%.
void TerminalProgress::SetMessage(const std::string& text) {
    message_ = text;
    position_ = 0;
    Draw();
}

bool TerminalProgress::Report(int position) {
    stopped_ = stopped_ || Interrupted();
    if (position != position_) {
        position_ = position;
        Draw();
    }
    return stopped_;
}

void TerminalProgress::Draw() {
    if (!visible_ || stopped_) {
        return;
    }
    std::lock_guard lock(errorsLock_);
    errors_ << "\r\033[K" << message_ << "  " << position_ << '%' << std::flush;
    drawn_ = true;
}

}  // namespace sonaro
