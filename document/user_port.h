#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/files/message_port.h"
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

// What the document asks of the user and of the windows that show it. A front end implements it:
// the desktop application with dialogs, the command-line tool without a display, or a test.
class UserPort : public MessagePort {
  public:
    // A file that could not be opened, and why. The desktop's box shows the path, a colon and a
    // line break, then the reason.
    virtual void ShowRefusal(const std::string& path, const std::string& reason) {
        ShowMessage(path + ":\n" + reason);
    }
    // Asks whether the unsaved converted result should be saved before it is discarded.
    virtual SaveAnswer AskSaveChanges(const std::string& documentName) = 0;
    // Lets the user choose a WAV file to open, starting in that directory (empty: anywhere).
    virtual std::optional<std::string> ChooseOpenPath(const std::string& startDirectory) = 0;
    // Lets the user choose a sound file to import, offering the files of these name endings
    // ("flac", "mp3", ...). A front end without such a choice asks as for Open.
    virtual std::optional<std::string> ChooseImportPath(
        const std::string& startDirectory, const std::vector<std::string>& /*extensions*/) {
        return ChooseOpenPath(startDirectory);
    }
    // Lets the user choose where to save, asking before an existing file is overwritten.
    virtual std::optional<std::string> ChooseSavePath(const std::string& startDirectory,
                                                      const std::string& initialName) = 0;
    // Runs the settings dialog on these values; answers true when the user pressed OK.
    virtual bool RunSettings(SettingsValues& values) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // The document changed: every view must show it anew.
    virtual void UpdateAllViews() = 0;
    // A progress window for one conversion, shown at once.
    virtual std::unique_ptr<ProgressPort> CreateProgress(const std::string& title, bool smooth) = 0;
};

}  // namespace sonaro
