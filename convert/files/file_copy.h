#pragma once

#include <string>

#include "convert/files/message_port.h"

namespace sonaro {

// Copies the source file to the destination in blocks of 8000 bytes. A regular destination is
// written under a temporary name and put in place only when the copy is complete; a FIFO, a
// device or "-" (the standard output) is written as a stream (OutputFile). Failures are shown to
// the user, each naming its file; the answer is false after one.
bool CopyFileInBlocks(MessagePort& messages, const std::string& destination,
                      const std::string& source);

}  // namespace sonaro
