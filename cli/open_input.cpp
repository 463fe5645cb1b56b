#include "cli/open_input.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "cli/interrupt.h"
#include "cli/terminal_user.h"
#include "convert/files/file.h"
#include "convert/files/file_error_report.h"
#include "document/sonaro_doc.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

// Copies the standard input, to its end, into a new file, so that it can be read as a file (the
// reader seeks). False when a signal stopped it; throws FileException for a failed read (naming
// "-") or write.
bool SpoolStandardInput(const std::string& path) {
    File spool(path, File::Mode::CreateNew);
    std::vector<char> buffer(1 << 16);
    while (!Interrupted()) {
        const ssize_t got = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (got == 0) {
            spool.Close();
            return true;
        }
        if (got > 0) {
            spool.Write(buffer.data(), static_cast<std::size_t>(got));
        } else if (errno != EINTR) {
            const int error = errno;
            throw FileException(FileException::CauseFromErrno(error), error, kStandardStream);
        }
    }
    return false;
}

}  // namespace

bool OpenInput(CSonaroDoc& doc, TerminalUser& user, const std::string& input, bool import) {
    const auto open = [&](const std::string& path) {
        return import ? doc.OnImportDocument(path) : doc.OnOpenDocument(path);
    };
    user.SetInput(input, input);
    if (input != kStandardStream) {
        return open(input);
    }
    try {
        const std::string path = doc.temporaryDirectory().FilePath(kStandardStream);
        if (!SpoolStandardInput(path)) {
            ShowStringMessage(user, IDS_CONVERSION_CANCELLED);
            return false;
        }
        user.SetInput(input, path);
        return open(path);
    } catch (const FileException& error) {
        ShowFileError(user, error);
        return false;
    }
}

}  // namespace sonaro
