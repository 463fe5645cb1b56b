#include "cli/terminal_user.h"

#include <cerrno>
#include <ostream>

#include "cli/command_line.h"
#include "cli/interrupt.h"
#include "cli/terminal_progress.h"
#include "resources/string_table.h"

namespace sonaro {

TerminalUser::TerminalUser(std::ostream& errors, std::mutex& errorsLock)
    : errors_(errors), errorsLock_(errorsLock) {}

// One line as programs of the command line write it: "sonaro-convert: PATH: TEXT" (a text with a
// line break of its own keeps it).
void TerminalUser::Print(const std::string& path, const std::string& text) {
    if (kept_ != nullptr) {
        kept_->push_back(text);
        return;
    }
    std::lock_guard lock(errorsLock_);
    errors_ << kProgramName << ": " << Shown(path) << ": " << text << '\n' << std::flush;
}

// A message that names no file concerns the input being converted.
void TerminalUser::ShowMessage(const std::string& text) {
    Print(input_, text);
}

// A reader that has gone (EPIPE) is no failure to tell: the run ends as if by SIGPIPE. A wait for
// a FIFO's reader that a signal broke off is the cancel it is.
void TerminalUser::ShowFileMessage(const FileMessage& message) {
    if (message.osError == EPIPE) {
        NoteBrokenPipe();
    } else if (message.osError == EINTR && Interrupted()) {
        Print(message.path, LoadString(IDS_CONVERSION_CANCELLED));
    } else {
        Print(message.path, message.text);
    }
}

void TerminalUser::ShowRefusal(const std::string& path, const std::string& reason) {
    Print(path, reason);
}

// A document of the command line is never asked to save: each input gets a fresh one.
SaveAnswer TerminalUser::AskSaveChanges(const std::string&) {
    return SaveAnswer::No;
}

std::optional<std::string> TerminalUser::ChooseOpenPath(const std::string&) {
    return openedPath_;
}

std::optional<std::string> TerminalUser::ChooseSavePath(const std::string&, const std::string&) {
    if (savePath_.empty()) {
        return std::nullopt;
    }
    return savePath_;
}

bool TerminalUser::RunSettings(SettingsValues& values) {
    values.volumeLevel = volumeLevel_;
    return true;
}

std::unique_ptr<ProgressPort> TerminalUser::CreateProgress(const std::string&, bool) {
    return std::make_unique<TerminalProgress>(errors_, errorsLock_, showProgress_);
}

}  // namespace sonaro
