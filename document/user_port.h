#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/files/failure.h"
#include "convert/stages/progress_port.h"

namespace sonaro {

enum class SaveAnswer { Yes, No, Cancel };

// The values the settings dialog edits.
struct SettingsValues {
    unsigned soundDeviceCount = 0;  // nonzero enables the auto-play choices
    int volumeLevel = 10;           // 0 to 10
    bool autoPlayAfterOpen = false;
    bool autoPlayAfterConvert = false;
};

// What the document asks of the user and of the windows that show it: the desktop application
// implements it with dialogs, tests with a scripted user.
class UserPort {
  public:
    virtual ~UserPort() = default;

    // Shows a warning with an OK button and returns when it was acknowledged.
    virtual void ShowMessage(const std::string& text) = 0;
    // A failure of a command: its words alone.
    virtual void ShowFailure(const Failure& failure) { ShowMessage(failure.Text()); }
    // A file that could not be opened, and why: the path, a colon and a line break, the reason.
    virtual void ShowRefusal(const std::string& path, const std::string& reason) {
        ShowMessage(path + ":\n" + reason);
    }
    // Asks whether the unsaved converted result should be saved before it is discarded.
    virtual SaveAnswer AskSaveChanges(const std::string& documentName) = 0;
    // Lets the user choose a WAV file to open, starting in that directory (empty: anywhere).
    virtual std::optional<std::string> ChooseOpenPath(const std::string& startDirectory) = 0;
    // Lets the user choose a sound file to import, offering the files of these name endings
    // ("flac", "mp3", ...).
    virtual std::optional<std::string> ChooseImportPath(
        const std::string& startDirectory, const std::vector<std::string>& extensions) = 0;
    // Lets the user choose where to save, asking before an existing file is overwritten.
    virtual std::optional<std::string> ChooseSavePath(const std::string& startDirectory,
                                                      const std::string& initialName) = 0;
    // Runs the settings dialog on these values; answers true when the user pressed OK.
    virtual bool RunSettings(SettingsValues& values) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // The document changed: every view must show it anew.
    virtual void UpdateAllViews() = 0;
    // The progress window of one conversion or import, shown at once with this caption and this
    // line of text over its bar; the main window waits while it lives.
    virtual std::unique_ptr<ProgressPort> CreateProgress(const std::string& title,
                                                         const std::string& message) = 0;
};

}  // namespace sonaro
