#pragma once

#include "import/decoder_protocol.h"

namespace sonaro {

// Points at which a test build of the decoder misbehaves on purpose. The installed decoder has
// none.
struct DecoderHooks {
    // Once the process is locked down, before it reads a byte.
    void (*lockedDown)() = nullptr;
    // After each record is written, with its type.
    void (*sent)(decoder::RecordType type) = nullptr;
};

// The decoder process, sonaro-decoder --parent=PID. It waits on its standard input for its job
// (import/decoder_protocol.h): "decode [--cpu=SECONDS] [--memory=MIB]" with the sound file to
// decode, or "extensions" to name the file endings it reads. It locks itself down, then answers
// on its standard output in the records of the protocol. It exits 0 after its last record, or
// when the parent closes its standard input without a job; 2 for a command line or a job it does
// not take.
int DecoderMain(int argc, char** argv, const DecoderHooks& hooks);

// Ends the decoder process at once with the exit_group call itself: no exit handlers, and none of
// a sanitizer's checks at exit, which make calls the filter forbids.
[[noreturn]] void EndDecoder(int status);

}  // namespace sonaro
