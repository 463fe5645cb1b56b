#include "cli/terminal_messages.h"

#include <cerrno>
#include <ostream>

#include "cli/command_line.h"
#include "cli/interrupt.h"
#include "resources/string_table.h"

namespace sonaro {

TerminalMessages::TerminalMessages(std::ostream& errors, std::mutex& errorsLock, std::string input)
    : errors_(errors), errorsLock_(errorsLock), input_(std::move(input)), openedPath_(input_) {}

void TerminalMessages::Show(const Failure& failure) {
    if (failure.osError == EPIPE) {
        NoteBrokenPipe();
    } else if (failure.osError == EINTR && Interrupted()) {
        Print(failure.path, LoadString(IDS_CONVERSION_CANCELLED));
    } else {
        Print(failure.path, failure.Text());
    }
}

// A text with a line break of its own keeps it.
void TerminalMessages::Print(const std::string& path, const std::string& text) {
    const std::string& shown = path.empty() || path == openedPath_ ? input_ : path;
    std::lock_guard lock(errorsLock_);
    errors_ << kProgramName << ": " << shown << ": " << text << '\n' << std::flush;
}

}  // namespace sonaro
