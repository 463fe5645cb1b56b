#pragma once

#include <functional>
#include <memory>
#include <string>

#include "convert/codecs/codec_manager.h"
#include "convert/stages/progress_port.h"
#include "document/sound_output.h"
#include "document/user_port.h"

class QWidget;

namespace sonaro {

// The desktop's progress window for one conversion or import, modal towards the main window: the
// caption, the message over a bar from 0 to 100, one line of text 320 pixels wide.
std::unique_ptr<ProgressPort> MakeProgressWindow(QWidget* mainWindow, const std::string& title,
                                                 const std::string& message);

// Runs the settings dialog on the values; true when it ended with OK. Its Help button asks for
// help through showHelp.
bool RunSettingsDialog(QWidget* mainWindow, SettingsValues& values,
                       const std::function<void(int)>& showHelp);

// The sound output of the desktop, decoding through the codec manager where it must.
std::unique_ptr<SoundOutput> MakeSoundOutput(CodecManager& codecs);

}  // namespace sonaro
