#pragma once

#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "document/user_port.h"

namespace sonaro {

// The user as a command-line run sees it: messages go to standard error, each on one line with the
// program's name and the path of the file it concerns; the answers a dialog would give come from
// the command line.
class TerminalUser final : public UserPort {
  public:
    TerminalUser(std::ostream& errors, std::mutex& errorsLock);

    // The input the following messages concern, as the user named it, and the path it is opened
    // from (a copy of the standard input, "-", lies elsewhere); and the path a save should choose.
    void SetInput(const std::string& name, const std::string& path) {
        input_ = name;
        openedPath_ = path;
    }
    void SetSavePath(const std::string& path) { savePath_ = path; }
    void SetVolumeLevel(int level) { volumeLevel_ = level; }
    void SetShowProgress(bool show) { showProgress_ = show; }
    // The texts of the messages go here instead of to standard error (null: to standard error).
    void KeepMessages(std::vector<std::string>* texts) { kept_ = texts; }

    void ShowMessage(const std::string& text) override;
    void ShowFileMessage(const FileMessage& message) override;
    void ShowRefusal(const std::string& path, const std::string& reason) override;
    SaveAnswer AskSaveChanges(const std::string& documentName) override;
    std::optional<std::string> ChooseOpenPath(const std::string& startDirectory) override;
    std::optional<std::string> ChooseSavePath(const std::string& startDirectory,
                                              const std::string& initialName) override;
    bool RunSettings(SettingsValues& values) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void UpdateAllViews() override {}
    std::unique_ptr<ProgressPort> CreateProgress(const std::string& title, bool smooth) override;

  private:
    void Print(const std::string& path, const std::string& text);
    // The path a message shows: the input's under the name the user gave it.
    const std::string& Shown(const std::string& path) const {
        return path == openedPath_ ? input_ : path;
    }

    std::ostream& errors_;
    std::mutex& errorsLock_;
    std::string input_;
    std::string openedPath_;
    std::string savePath_;
    int volumeLevel_ = 10;
    bool showProgress_ = false;
    std::vector<std::string>* kept_ = nullptr;
};

}  // namespace sonaro
