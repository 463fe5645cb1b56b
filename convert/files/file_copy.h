#pragma once

#include <string>

#include "convert/files/message_port.h"

namespace sonaro {

// Copies the source file to the destination in blocks of 8000 bytes. The destination is written
// under a temporary name and put in place only when the copy is complete. Failures are shown to
// the user; the answer is false after one.
bool CopyFileInBlocks(MessagePort& messages, const std::string& destination,
                      const std::string& source);

}  // namespace sonaro
