#pragma once

#include <cstdint>

#include "convert/files/outcome.h"
#include "convert/stages/progress_port.h"
#include "convert/stages/stage.h"

namespace sonaro {

// Runs two stages of the chain at once: the writer, on a thread of its own, makes its file (and
// tells how many frames it will hold, through StageWork::Promise), while the reader, on the
// calling thread, reads it as it grows, from that many frames (readerCall's count is replaced).
// Only the reader's progress is shown; a writer that fails stops the reader at its next report,
// and a reader that ends, however it ends, stops the writer at its next. The outcome is the one
// of the two run one after the other: the writer's failure when it failed of its own accord,
// otherwise the reader's outcome. Without a thread to be had, they do run one after the other.
Outcome<std::uint32_t> RunSideBySide(const Stage& writer, StageCall writerCall, const Stage& reader,
                                     StageCall readerCall, ProgressPort& progress);

}  // namespace sonaro
