#include "cli/info_command.h"

#include <mutex>
#include <ostream>

#include "cli/codec_setup.h"
#include "cli/terminal_user.h"
#include "document/info_text.h"
#include "document/sonaro_doc.h"

namespace sonaro {

int RunInfo(const std::string& path, std::ostream& out, std::ostream& errors) {
    std::mutex errorsLock;
    TerminalUser user(errors, errorsLock);
    user.SetInput(path);
    SilentSoundOutput sound;
    auto codecs = MakeCodecManager(errors);
    CSonaroDoc doc(user, sound, *codecs);
    if (!doc.OnOpenDocument(path)) {
        return 1;
    }
    const auto labels = InfoLabels();
    const auto values = InfoValues(doc.record());
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        out << labels[i] << ' ' << values[i] << '\n';
    }
    return 0;
}

}  // namespace sonaro
