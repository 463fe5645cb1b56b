#include "convert/files/failure.h"

#include "resources/string_table.h"

namespace sonaro {
namespace {

// The message that tells the user about a file error of this cause.
unsigned FileErrorMessageId(FileException::Cause cause) {
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

}  // namespace

std::string Failure::Text() const {
    return text.empty() ? LoadString(message) : text;
}

bool Failure::Cancelled() const {
    return message == IDS_CONVERSION_CANCELLED && text.empty();
}

Failure Failure::Of(unsigned message, std::string path) {
    return {message, {}, std::move(path), 0};
}

Failure Failure::Words(std::string text, std::string path) {
    return {0, std::move(text), std::move(path), 0};
}

Failure Failure::FromFile(const FileException& error) {
    return {FileErrorMessageId(error.cause()), {}, error.path(), error.osError()};
}

// The detail goes in brackets after the message, so that a report of it can name what broke.
Failure Failure::Internal(const std::exception& fault, std::string path) {
    std::string words = LoadString(IDS_INTERNAL_FAULT);
    words.pop_back();  // the full stop comes after the detail
    words.append(" (").append(fault.what()).append(").");
    return {IDS_INTERNAL_FAULT, std::move(words), std::move(path), 0};
}

}  // namespace sonaro
