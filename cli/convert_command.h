#pragma once

#include <iosfwd>

#include "cli/command_line.h"

namespace sonaro {

// Converts each input to its output through the engine's operations: open (importing first when
// asked), convert, save. Inputs are converted up to --jobs at a time; one that fails does not stop
// the others. Answers the exit status: 0 when every input converted, 1 when any failed.
int RunConvert(const CommandLine& command, std::ostream& out, std::ostream& errors);

}  // namespace sonaro
