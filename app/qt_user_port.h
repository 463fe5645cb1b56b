#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "document/user_port.h"

class QFileDialog;

namespace sonaro {

// The user as the desktop application reaches them: message boxes, file dialogs, the settings
// dialog and the wait cursor, all owned by the main window.
class QtUserPort final : public UserPort {
  public:
    void SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }
    // Called after every change of the document.
    void SetViewUpdater(std::function<void()> updater) { updateViews_ = std::move(updater); }
    void SetHelp(std::function<void(int)> showHelp) { showHelp_ = std::move(showHelp); }

    void ShowMessage(const std::string& text) override;
    SaveAnswer AskSaveChanges(const std::string& documentName) override;
    std::optional<std::string> ChooseOpenPath(const std::string& startDirectory) override;
    std::optional<std::string> ChooseImportPath(
        const std::string& startDirectory, const std::vector<std::string>& extensions) override;
    std::optional<std::string> ChooseSavePath(const std::string& startDirectory,
                                              const std::string& initialName) override;
    bool RunSettings(SettingsValues& values) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void UpdateAllViews() override;
    std::unique_ptr<ProgressPort> CreateProgress(const std::string& title,
                                                 const std::string& message) override;

  private:
    std::optional<std::string> RunFileDialog(QFileDialog& dialog);

    QPointer<QWidget> mainWindow_;
    std::function<void()> updateViews_;
    std::function<void(int)> showHelp_;
};

// A warning box with an OK button, owned by that window, captioned with the program's name.
void ShowWarning(QWidget* owner, const QString& text);

}  // namespace sonaro
