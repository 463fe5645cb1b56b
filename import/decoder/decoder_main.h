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

// The decoder process:
//   sonaro-decoder decode --parent=PID [--cpu=SECONDS] [--memory=MIB]
//       decodes the sound file open as its standard input;
//   sonaro-decoder extensions --parent=PID
//       names the file endings it reads.
// It locks itself down first, then answers on its standard output in the records of
// import/decoder_protocol.h. It exits 0 after its last record, 2 for arguments it does not take.
int DecoderMain(int argc, char** argv, const DecoderHooks& hooks);

// Ends the decoder process at once with the exit_group call itself: no exit handlers, and none of
// a sanitizer's checks at exit, which make calls the filter forbids.
[[noreturn]] void EndDecoder(int status);

}  // namespace sonaro
