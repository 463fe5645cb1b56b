#include "cli/terminal_user.h"

#include <ostream>

#include "cli/terminal_progress.h"

namespace sonaro {

TerminalUser::TerminalUser(std::ostream& errors, std::mutex& errorsLock)
    : errors_(errors), errorsLock_(errorsLock) {}

// A refusal already names its file; every other message is put under the input's path, as the
// desktop program's refusal box shows it.
void TerminalUser::ShowMessage(const std::string& text) {
    const std::string prefix = input_ + ":\n";
    const bool named = text.compare(0, prefix.size(), prefix) == 0;
    std::lock_guard lock(errorsLock_);
    errors_ << (named ? text : prefix + text) << '\n' << std::flush;
    ++messageCount_;
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
