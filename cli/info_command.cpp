#include "cli/info_command.h"

#include <cerrno>
#include <charconv>
#include <mutex>
#include <ostream>

#include "cli/command_line.h"
#include "cli/input_sound.h"
#include "cli/interrupt.h"
#include "cli/json_text.h"
#include "cli/terminal_progress.h"
#include "convert/codecs/codec_setup.h"
#include "convert/files/file.h"
#include "convert/operations/info_text.h"
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
    const InputReaders readers{*codecs, import ? &importer : nullptr};
    bool anyRefused = false;
    for (const std::string& input : inputs) {
        if (Interrupted()) {
            break;
        }
        TerminalMessages messages(errors, errorsLock, input);
        TempDirectory directory;
        TerminalProgress progress(errors, errorsLock, false);
        const Outcome<SoundDescription> opened =
            OpenInput(input, directory, readers, progress, messages);
        anyRefused = anyRefused || !opened;
        if (json) {
            out << (opened ? InfoJson(input, RecordOf(*opened))
                           : RefusalJson(input, opened.failure().Text()))
                << '\n';
        } else if (opened) {
            PrintInfo(out, RecordOf(*opened), inputs.size() > 1 ? input : std::string());
        } else {
            messages.Show(opened.failure());
        }
        if (const int error = FlushError(out); error != 0) {
            messages.Show(OutputFailure(error));
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

Failure OutputFailure(int error) {
    return Failure::FromFile(
        FileException(FileException::CauseFromErrno(error), error, kStandardStream));
}

}  // namespace sonaro
