#pragma once

#include <optional>
#include <string>

#include "convert/files/failure.h"

namespace sonaro {

// Copies the source file to the destination in blocks of 8000 bytes. A regular destination is
// written under a temporary name and put in place only when the copy is complete; a FIFO, a
// device or "-" (the standard output) is written as a stream (OutputFile). Answers nothing when
// the copy is done, else the failure, naming its file; a source that cannot be opened is a
// temporary file that has gone, told about the destination.
std::optional<Failure> CopyFileInBlocks(const std::string& destination, const std::string& source);

}  // namespace sonaro
