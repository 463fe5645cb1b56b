#pragma once

#include <cstdint>
#include <functional>

#include "convert/files/outcome.h"
#include "convert/stages/growing_file.h"
#include "convert/stages/progress_port.h"
#include "convert/stages/stage.h"

namespace sonaro {

// What reads the writer's file as it grows: a stage given that many frames of the file, or more
// stages side by side, run with that progress interface.
using SideReader =
    std::function<Outcome<std::uint32_t>(std::uint32_t frames, GrowingFile& file, ProgressPort&)>;

// Runs a stage of the chain and what reads its file at once: the writer, on a thread of its own,
// makes its file (and tells how many frames it will hold, through StageWork::Promise), while the
// reader, on the calling thread, reads it as it grows. Only the reader's progress is shown; a
// writer that fails stops the reader at its next report, and a reader that fails or stops stops
// the writer at its next. The outcome is the one of the two run one after the other:
// the writer's failure when it failed of its own accord, otherwise the reader's outcome. Without
// a thread to be had, they do run one after the other.
Outcome<std::uint32_t> RunSideBySide(const Stage& writer, StageCall writerCall,
                                     const SideReader& reader, ProgressPort& progress);

}  // namespace sonaro
