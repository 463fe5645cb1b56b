#include "app/desktop_parts.h"

#include "app/qt_sound_output.h"
#include "ui/progress_popup.h"
#include "ui/settings_dlg.h"

namespace sonaro {

std::unique_ptr<ProgressPort> MakeProgressWindow(QWidget* mainWindow, const std::string& title,
                                                 const std::string& message) {
    return CProgressPopup::OpenForWork(mainWindow, title, message);
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
