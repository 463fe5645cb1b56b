#pragma once

#include <cstdint>
#include <new>

#include "convert/files/file_error_report.h"
#include "convert/files/message_port.h"
#include "convert/stages/progress_port.h"
#include "convert/stages/progress_reporter.h"
#include "convert/stages/stage_reader.h"
#include "convert/stages/stage_writer.h"
#include "resources/string_ids.h"

namespace sonaro {

// What every conversion stage is given besides its files and counts: the progress window to
// report to (and to learn of a cancel from) and the user to tell about a failure.
struct StageContext {
    ProgressPort& progress;
    MessagePort& messages;
};

// A stage's share of the progress bar: the report of block index of count moves the bar to
// base + span × index ÷ count, formed in floating point and truncated toward zero.
struct BarShare {
    int base;
    int span;

    int Position(std::uint64_t index, std::uint64_t count) const;
};

// How many blocks of blockSize hold total items; the last block may be shorter.
constexpr std::uint64_t BlockCount(std::uint64_t total, std::uint64_t blockSize) {
    return total / blockSize + (total % blockSize != 0 ? 1 : 0);
}

// The shape every conversion stage has. A stage function makes one Stage, and inside Run it
// reserves its buffers and opens its files through input() and output(), works block by block
// and reports each block with Cancelled, then calls Finish. The stage answers false after exactly
// one message: a failed file operation or a buffer that cannot be had ends the work with the
// message that says so; a cancel with "Conversion cancelled." once the work has returned; any
// other failure with the message the work names through Fail.
class Stage {
  public:
    Stage(StageContext& context, BarShare bar);

    template <typename Work>
    bool Run(Work&& work) {
        try {
            const bool done = work();
            if (!done && cancelled_) {
                ShowStringMessage(context_.messages, IDS_CONVERSION_CANCELLED);
            }
            return done;
        } catch (const FileException& error) {
            ShowFileError(context_.messages, error);
        } catch (const std::bad_alloc&) {
            ShowStringMessage(context_.messages, IDS_MEMORY_ALLOCATION);
        }
        return false;
    }

    StageReader& input() { return input_; }
    StageWriter& output() { return output_; }

    // Reports that block index of count is done: moves the bar (at each change of its position,
    // and at least every 20 ms, pumping the window's events; the output is brought up to date
    // first) and looks for a cancel. True when the user cancelled: the work then returns false.
    bool Cancelled(std::uint64_t index, std::uint64_t count);
    // The share of the bar for the reports from now on.
    void SetBar(BarShare bar) { bar_ = bar; }

    // Shows the message stored under that number; answers false, for the work to return.
    bool Fail(unsigned message);

    // The end of a stage that did its work: the output is written out and closed, then the input
    // closed and, for a stage that consumes it, removed.
    enum class Input { Keep, Remove };
    void Finish(Input input);

  private:
    StageContext& context_;
    BarShare bar_;
    ProgressReporter reporter_;
    bool cancelled_ = false;
    StageReader input_;
    StageWriter output_;
};

}  // namespace sonaro
