#pragma once

#include "convert/files/file_exception.h"
#include "convert/files/message_port.h"

namespace sonaro {

// The number of the message that tells the user about a file error of this cause.
unsigned FileErrorMessageId(int cause);

// Shows the message for a failed file operation, as one about the file the exception names.
void ShowFileError(MessagePort& messages, const FileException& error);

// Shows the message stored under a string number.
void ShowStringMessage(MessagePort& messages, unsigned id);

}  // namespace sonaro
