#include "cli/input_sound.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "cli/interrupt.h"
#include "convert/files/file.h"
#include "convert/files/path_parts.h"
#include "convert/operations/operations.h"
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

Outcome<std::string> ReadablePath(const std::string& input, TempDirectory& directory) {
    if (input != kStandardStream) {
        return input;
    }
    try {
        const std::string path = directory.FilePath(kStandardStream);
        if (!SpoolStandardInput(path)) {
            return Failure::Of(IDS_CONVERSION_CANCELLED);
        }
        return path;
    } catch (const FileException& error) {
        return Failure::FromFile(error);
    }
}

Outcome<SoundDescription> OpenInput(const std::string& input, TempDirectory& directory,
                                    const InputReaders& readers, ProgressPort& progress,
                                    TerminalMessages& messages) {
    const Outcome<std::string> path = ReadablePath(input, directory);
    if (!path) {
        return path.failure();
    }
    messages.ReadFrom(*path);
    return OpenOrImportSound(*path, directory, readers.importer, readers.codecs, progress);
}

}  // namespace sonaro
