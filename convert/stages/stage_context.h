#pragma once

#include "convert/files/message_port.h"
#include "convert/stages/progress_port.h"

namespace sonaro {

// What every conversion stage is given besides its files and counts: the progress window to
// report to (and to learn of a cancel from) and the user to tell about a failure. A stage shows
// exactly one message when it fails.
struct StageContext {
    ProgressPort& progress;
    MessagePort& messages;
};

}  // namespace sonaro
