#include "convert/files/file_error_report.h"

#include "resources/string_table.h"

namespace sonaro {

unsigned FileErrorMessageId(int cause) {
    switch (cause) {
        case FileException::diskFull:
            return IDS_DISK_FULL;
        case FileException::accessDenied:
            return IDS_ACCESS_DENIED;
        case FileException::fileNotFound:
            return IDS_FILE_NOT_FOUND;
        case FileException::badPath:
            return IDS_BAD_PATH;
        case FileException::hardIO:
            return IDS_HARDWARE_ERROR;
        default:
            return IDS_UNEXPECTED_FILE_ERROR;
    }
}

void ShowFileError(MessagePort& messages, const FileException& error) {
    messages.ShowFileMessage(
        {error.path(), LoadString(FileErrorMessageId(error.cause())), error.osError()});
}

void ShowStringMessage(MessagePort& messages, unsigned id) {
    messages.ShowMessage(LoadString(id));
}

}  // namespace sonaro
