#include "cli/info_command.h"

#include <mutex>
#include <ostream>

#include "cli/command_line.h"
#include "cli/terminal_user.h"
#include "convert/codecs/codec_setup.h"
#include "document/info_text.h"
#include "document/sonaro_doc.h"

namespace sonaro {

int RunInfo(const std::string& path, std::ostream& out, std::ostream& errors) {
    std::mutex errorsLock;
    TerminalUser user(errors, errorsLock);
    user.SetInput(path);
    SilentSoundOutput sound;
    auto codecs = MakeCodecManager(errors, kProgramName);
    CSonaroDoc doc(user, sound, *codecs);
    if (!doc.OnOpenDocument(path)) {
        return 1;
    }
    PrintInfo(out, doc.record());
    return 0;
}

void PrintInfo(std::ostream& out, const FormatRecord& record) {
    const auto labels = InfoLabels();
    const auto values = InfoValues(record);
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        out << labels[i] << ' ' << values[i] << '\n';
    }
}

}  // namespace sonaro
