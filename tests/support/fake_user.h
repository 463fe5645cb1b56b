#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/user_port.h"
#include "tests/support/scripted_progress.h"

namespace sonaro::test {

// The user as a test plays it: answers are set beforehand, everything shown is recorded.
class FakeUser final : public UserPort {
  public:
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        events.push_back("Message(" + text + ")");
    }
    void ShowFailure(const Failure& failure) override {
        ShowMessage(failure.Text());
        messagePaths.push_back(failure.path);
    }
    SaveAnswer AskSaveChanges(const std::string& name) override;
    std::optional<std::string> ChooseOpenPath(const std::string& startDirectory) override;
    std::optional<std::string> ChooseImportPath(
        const std::string& startDirectory, const std::vector<std::string>& extensions) override {
        importDialogs.emplace_back(startDirectory, extensions);
        return openPath;
    }
    std::optional<std::string> ChooseSavePath(const std::string& startDirectory,
                                              const std::string& initialName) override;
    bool RunSettings(SettingsValues& values) override;
    void BeginWaitCursor() override { ++waitCursors; }
    void EndWaitCursor() override { --waitCursors; }
    void UpdateAllViews() override { ++viewUpdates; }
    std::unique_ptr<ProgressPort> CreateProgress(const std::string& title,
                                                 const std::string& message) override;

    // Answers.
    SaveAnswer saveAnswer = SaveAnswer::No;
    std::optional<std::string> openPath;
    std::optional<std::string> savePath;
    std::function<bool(SettingsValues&)> settings;
    int cancelAtReport = 0;  // the progress windows made cancel at this report (0: never)

    // What happened.
    std::vector<std::string> messages;
    std::vector<std::string> messagePaths;  // of the failures shown
    std::vector<std::string> savePrompts;
    std::vector<std::pair<std::string, std::string>> saveDialogs;  // start directory, initial name
    std::vector<std::string> openDialogs;                          // start directory
    std::vector<std::pair<std::string, std::vector<std::string>>> importDialogs;  // and endings
    std::vector<SettingsValues> settingsShown;
    int viewUpdates = 0;
    int waitCursors = 0;
    // What was shown, in order: "Progress(caption, message)" when a progress window opened,
    // "Closed" when it went, "Message(text)" for each message.
    std::vector<std::string> events;
    // The messages, positions and state of the last progress window, kept after it is gone.
    ScriptedProgress lastProgress;
};

}  // namespace sonaro::test
