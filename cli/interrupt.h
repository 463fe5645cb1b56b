#pragma once

namespace sonaro {

// Ctrl-C and termination requests cancel a running conversion like the Cancel button: the
// handlers only set a flag that the progress reports look at.
void InstallInterruptHandlers();
bool Interrupted();

}  // namespace sonaro
