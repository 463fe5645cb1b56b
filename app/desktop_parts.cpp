// The desktop's progress window, settings dialog and sound output come from their own files in
// ui/ and app/; until a build has them, the program is built without them: no progress window
// (the Convert command is not offered), no settings dialog, and no sound device.
#include "app/desktop_parts.h"

#if __has_include("ui/progress_popup.h")
#include "ui/progress_popup.h"
#define SONARO_HAS_PROGRESS_POPUP 1
#endif
#if __has_include("ui/settings_dlg.h")
#include "ui/settings_dlg.h"
#define SONARO_HAS_SETTINGS_DLG 1
#endif
#if __has_include("app/qt_sound_output.h")
#include "app/qt_sound_output.h"
#define SONARO_HAS_QT_SOUND 1
#endif

namespace sonaro {

std::unique_ptr<ProgressPort> MakeProgressWindow([[maybe_unused]] QWidget* mainWindow,
                                                 [[maybe_unused]] const std::string& title,
                                                 [[maybe_unused]] bool smooth) {
#ifdef SONARO_HAS_PROGRESS_POPUP
    return std::make_unique<CProgressPopup>(mainWindow, title, smooth);
#else
    return nullptr;
#endif
}

bool RunSettingsDialog([[maybe_unused]] QWidget* mainWindow,
                       [[maybe_unused]] SettingsValues& values,
                       [[maybe_unused]] const std::function<void(int)>& showHelp) {
#ifdef SONARO_HAS_SETTINGS_DLG
    CSettingsDlg dialog(mainWindow, values);
    dialog.SetHelpHandler(showHelp);
    return dialog.exec() == QDialog::Accepted;
#else
    return false;
#endif
}

std::unique_ptr<SoundOutput> MakeSoundOutput([[maybe_unused]] CodecManager& codecs) {
#ifdef SONARO_HAS_QT_SOUND
    return std::make_unique<QtSoundOutput>(codecs);
#else
    return std::make_unique<SilentSoundOutput>();
#endif
}

}  // namespace sonaro
