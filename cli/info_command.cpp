#include "cli/info_command.h"

#include <cerrno>
#include <charconv>
#include <mutex>
#include <ostream>

#include "cli/command_line.h"
#include "cli/interrupt.h"
#include "cli/json_text.h"
#include "cli/open_input.h"
#include "cli/terminal_user.h"
#include "convert/codecs/codec_setup.h"
#include "convert/files/file.h"
#include "convert/files/file_error_report.h"
#include "document/info_text.h"
#include "document/sonaro_doc.h"
#include "import/sandboxed_importer.h"

namespace sonaro {
namespace {

// The shortest decimal form that reads back as the same float.
std::string FloatText(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

void AppendField(std::string& json, const char* name, const std::string& value) {
    json.append(",\"").append(name).append("\":").append(value);
}

}  // namespace

int RunInfo(const std::vector<std::string>& inputs, bool json, bool import, std::ostream& out,
            std::ostream& errors) {
    std::mutex errorsLock;
    auto codecs = MakeCodecManager(errors, kProgramName);
    SandboxedImporter importer;
    bool anyRefused = false;
    for (const std::string& input : inputs) {
        if (Interrupted()) {
            break;
        }
        TerminalUser user(errors, errorsLock);
        std::vector<std::string> refusal;
        user.KeepMessages(json ? &refusal : nullptr);
        SilentSoundOutput sound;
        CSonaroDoc doc(user, sound, *codecs, &importer);
        const bool opened = OpenInput(doc, user, input, import);
        anyRefused = anyRefused || !opened;
        if (json) {
            out << (opened ? InfoJson(input, doc.record())
                           : RefusalJson(input, refusal.empty() ? "" : refusal.back()))
                << '\n';
        } else if (opened) {
            PrintInfo(out, doc.record(), inputs.size() > 1 ? input : std::string());
        }
        user.KeepMessages(nullptr);
        if (const int error = FlushError(out); error != 0) {
            ShowOutputError(user, error);
            return 1;
        }
    }
    return anyRefused || Interrupted() ? 1 : 0;
}

void PrintInfo(std::ostream& out, const FormatRecord& record, const std::string& name) {
    if (!name.empty()) {
        out << name << ":\n";
    }
    const auto labels = InfoLabels();
    const auto values = InfoValues(record);
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        out << labels[i] << ' ' << values[i] << '\n';
    }
}

std::string InfoJson(const std::string& file, const FormatRecord& record) {
    std::string json = "{\"file\":" + JsonString(file);
    AppendField(json, "format", JsonString(record.formatName));
    AppendField(json, "sizeKB", std::to_string(record.sizeKB));
    AppendField(json, "playbackSeconds", FloatText(record.playbackSeconds));
    AppendField(json, "rate", std::to_string(record.samplesPerSec));
    AppendField(json, "channels", std::to_string(record.channels));
    AppendField(json, "bits", std::to_string(record.bitsPerSample));
    return json + "}";
}

std::string RefusalJson(const std::string& file, const std::string& error) {
    std::string json = "{\"file\":" + JsonString(file);
    AppendField(json, "error", JsonString(error));
    return json + "}";
}

int FlushError(std::ostream& out) {
    errno = 0;
    if (out.flush()) {
        return 0;
    }
    return errno != 0 ? errno : EIO;
}

void ShowOutputError(MessagePort& messages, int error) {
    ShowFileError(messages,
                  FileException(FileException::CauseFromErrno(error), error, kStandardStream));
}

}  // namespace sonaro
