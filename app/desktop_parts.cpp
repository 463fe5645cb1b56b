#include "app/desktop_parts.h"

#include "app/qt_sound_output.h"
#include "ui/progress_popup.h"
#include "ui/settings_dlg.h"

namespace sonaro {

std::unique_ptr<ProgressPort> MakeProgressWindow(QWidget* mainWindow, const std::string& title,
                                                 const std::string& message) {
    auto window = std::make_unique<CProgressPopup>(mainWindow, title, false);
    window->BeginModal("Progress", false);
    window->SetBarRange(0, 100, 1);
    window->SetMessage(message);
    window->Layout(1, 320);
    window->PumpWaitingMessages(true);
    return window;
}

bool RunSettingsDialog(QWidget* mainWindow, SettingsValues& values,
                       const std::function<void(int)>& showHelp) {
    CSettingsDlg dialog(mainWindow, values, showHelp);
    return dialog.exec() == QDialog::Accepted;
}

std::unique_ptr<SoundOutput> MakeSoundOutput(CodecManager& codecs) {
    return std::make_unique<QtSoundOutput>(codecs);
}

}  // namespace sonaro
