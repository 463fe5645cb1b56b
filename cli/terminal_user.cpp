#include "cli/terminal_user.h"

#include <ostream>

#include "cli/command_line.h"
#include "cli/terminal_progress.h"

namespace sonaro {

TerminalUser::TerminalUser(std::ostream& errors, std::mutex& errorsLock)
    : errors_(errors), errorsLock_(errorsLock) {}

// One line as programs of the command line write it: "sonaro-convert: PATH: TEXT" (a text with a
// line break of its own keeps it).
void TerminalUser::Print(const std::string& path, const std::string& text) {
    std::lock_guard lock(errorsLock_);
    errors_ << kProgramName << ": " << path << ": " << text << '\n' << std::flush;
}

// A message that names no file concerns the input being converted.
void TerminalUser::ShowMessage(const std::string& text) {
    Print(input_, text);
}

void TerminalUser::ShowFileMessage(const FileMessage& message) {
    Print(message.path, message.text);
}

void TerminalUser::ShowRefusal(const std::string& path, const std::string& reason) {
    Print(path, reason);
}

// A document of the command line is never asked to save: each input gets a fresh one.
SaveAnswer TerminalUser::AskSaveChanges(const std::string&) {
    return SaveAnswer::No;
}

std::optional<std::string> TerminalUser::ChooseOpenPath(const std::string&) {
    return input_;
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
