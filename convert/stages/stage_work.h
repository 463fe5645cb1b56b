#pragma once

#include <cstdint>
#include <new>
#include <optional>

#include "convert/files/file_exception.h"
#include "convert/stages/progress_reporter.h"
#include "convert/stages/stage.h"
#include "convert/stages/stage_reader.h"
#include "convert/stages/stage_writer.h"
#include "resources/string_ids.h"

namespace sonaro {

// How many blocks of blockSize hold total items; the last block may be shorter.
constexpr std::uint64_t BlockCount(std::uint64_t total, std::uint64_t blockSize) {
    return total / blockSize + (total % blockSize != 0 ? 1 : 0);
}

// One run of a stage, as every stage does it. Inside Run the work reserves its buffers and opens
// its files through input() and output(), works block by block and reports each block with
// Cancelled, then calls Finish and answers the count it wrote. A failed file operation or a buffer
// that cannot be had ends the work with the failure that says so; a stop with "Conversion
// cancelled."; any other failure is named by the work through Fail.
class StageWork {
  public:
    using Count = std::optional<std::uint32_t>;

    StageWork(const StageCall& call, ProgressPort& progress);
    // Tells the stage reading the output beside this one, if any, that no more comes.
    ~StageWork();
    StageWork(const StageWork&) = delete;
    StageWork& operator=(const StageWork&) = delete;

    template <typename Work>
    Outcome<std::uint32_t> Run(Work&& work) {
        try {
            if (const Count count = work()) {
                return *count;
            }
            return failure_ ? *failure_ : Failure::Of(IDS_CONVERSION_CANCELLED);
        } catch (const FileException& error) {
            return Failure::FromFile(error);
        } catch (const std::bad_alloc&) {
            return Failure::Of(IDS_MEMORY_ALLOCATION);
        }
    }

    const StageCall& call() const { return call_; }
    StageReader& input() { return input_; }
    StageWriter& output() { return output_; }

    // Reports that block index of count is done: moves the bar (the output is brought up to date
    // first) and asks whether to stop. True when the work is to stop: it then answers nothing.
    bool Cancelled(std::uint64_t index, std::uint64_t count);
    // The share of the bar for the reports from now on.
    void SetBar(BarShare bar) { bar_ = bar; }

    // Records the failure told by that message; answers nothing, for the work to answer.
    Count Fail(unsigned message);

    // The end of work that is done: the output is written out and closed, then the input closed,
    // or when it is consumed removed and closed (by the input's closer, if it has one).
    void Finish();
    // Tells the stage reading the output beside this one, if any, that the file exists and how
    // many frames, of so many bytes, it will hold.
    void Promise(std::uint32_t frames, std::size_t frameBytes);

  private:
    const StageCall& call_;
    BarShare bar_;
    ProgressReporter reporter_;
    std::optional<Failure> failure_;
    StageReader input_;
    StageWriter output_;
    bool finished_ = false;
};

}  // namespace sonaro
