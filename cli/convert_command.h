#pragma once

#include <iosfwd>

#include "cli/command_line.h"

namespace sonaro {

// Converts each input through the document, as the desktop program does (open, Convert, Save As),
// to its output. Answers the exit status: 0 when every input converted, 1 when any failed.
int RunConvert(const CommandLine& command, std::ostream& out, std::ostream& errors);

}  // namespace sonaro
