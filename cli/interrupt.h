#pragma once

namespace sonaro {

// Ctrl-C (SIGINT), a termination request (SIGTERM) and a closed terminal (SIGHUP) cancel a run
// like the Cancel button: the handler only notes the signal, for the progress reports to see, and
// gives the signal back its default action, so that a second one ends the program at once. SIGPIPE
// is ignored: a write to a reader that has gone fails with EPIPE instead, and the run ends cleanly.
void InstallInterruptHandlers();
bool Interrupted();

// The reader of the standard output (or of a FIFO written to) has gone.
void NoteBrokenPipe();

// Called once everything is cleaned up: ends the program by the signal that interrupted it, or by
// SIGPIPE after a broken pipe, so that the caller sees why it stopped (a shell reports 128 + the
// signal and stops its loop). Returns when there was neither.
void EndLikeTheSignal();

}  // namespace sonaro
