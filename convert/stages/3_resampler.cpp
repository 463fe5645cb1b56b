#include "convert/stages/3_resampler.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <exception>
#include <memory>
#include <stdexcept>
#include <vector>

#include "convert/files/file_copy.h"
#include "convert/resampler/filter_tables.h"
#include "convert/resampler/polyphase_filter.h"
#include "convert/resampler/rate_table.h"
#include "convert/resampler/worker_team.h"
#include "convert/stages/stage_work.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little,
              "sample files hold little-endian floats and are read and written as they are");

constexpr std::size_t kOutputBlockSamples = 2000;
// The output is written this many blocks at a time (and a last partial block at the end).
constexpr std::size_t kBlocksPerWrite = 32;
// The multiply-adds (about 10 ms of one core with AVX-512, 50 s of 44.1 kHz input) below which
// one thread is done first: a team needs a second window and side of rows (about 0.85 MB, whose
// pages cost a fault each on first touch), a thread start and a handover at every span. Measured
// on a 2-CPU virtual machine, 20 and 40 s of 44.1 kHz stereo converted faster with one thread.
constexpr std::uint64_t kSharedWork = std::uint64_t{1} << 29;

// One pass over the input, span by span. Each span's inputs are read into a window of their
// own, laid out in rows, then summed; the outputs go on to be written in whole blocks of 2000,
// 32 at a time, and the bar is reported at every output where it moves on. The work of span k
// and the reading and laying out of span k + 1 make one job for the team, so no thread waits
// for the reading:
//     job k:  [read span k + 1] [groups of span k ...] [chunks of span k + 1 ...]
// (the chunks wait until the read is done). Span k lays out its rows on side k % 2; its window is
// the one span k - 1 did not use, unless that one holds its inputs already. A single thread has
// one window and one side: span k's window is done with once its rows are laid out, and it runs
// the items in order, so its groups are summed before the next span's chunks replace the rows.
// Between jobs the calling thread alone writes and reports, and a read that failed is reported
// only after the outputs of the span before it were passed on, as reading span after span would.
class Pass {
  public:
    Pass(StageWork& stage, BarShare bar, std::vector<std::vector<float>>& windows,
         std::vector<float>& span, PolyphaseFilter& filter, WorkerTeam& team,
         std::uint32_t inputCount)
        : stage_(stage),
          bar_(bar),
          windows_(windows),
          span_(span),
          filter_(filter),
          team_(team),
          inputCount_(inputCount),
          total_(filter_.taps() + std::uint64_t{filter_.up()} * (inputCount - 1)),
          outputs_((total_ + filter_.down() - 1) / filter_.down()),
          spans_((outputs_ + filter_.spanSize() - 1) / filter_.spanSize()) {}

    // Answers false when the user cancelled; the output then holds the full blocks written.
    bool Run() {
        ReadWindow(0);
        team_.ForEach(filter_.ChunkCount(),
                      [&](std::size_t chunk) { filter_.PrepareChunk(0, chunk, Window(0), 0); });
        for (std::uint64_t k = 0; k < spans_; ++k) {
            const std::uint64_t first = k * filter_.spanSize();
            const std::uint64_t count = std::min<std::uint64_t>(span_.size(), outputs_ - first);
            RunJob(k, count);
            if (!Emit(first, count) || stage_.Cancelled(reportedK_, total_)) {
                return false;
            }
            if (readFailure_) {
                std::rethrow_exception(readFailure_);
            }
        }
        return true;
    }

    std::uint64_t outputs() const { return outputs_; }

  private:
    // Sums span k (count outputs) and, when there is one, reads and lays out span k + 1.
    void RunJob(std::uint64_t k, std::uint64_t count) {
        const bool next = k + 1 < spans_;
        const std::uint64_t first = k * filter_.spanSize();
        const std::size_t sides = windows_.size();
        const auto side = static_cast<unsigned>(k % sides);
        const std::size_t reads = next ? 1 : 0;
        const std::size_t groups = filter_.GroupCount(count);
        const std::size_t chunks = next ? filter_.ChunkCount() : 0;
        std::atomic<bool> read{false};
        team_.ForEach(reads + groups + chunks, [&](std::size_t item) {
            if (item < reads) {
                try {
                    ReadWindow(k + 1);
                } catch (...) {
                    readFailure_ = std::current_exception();
                }
                read.store(true, std::memory_order_release);
                read.notify_all();
            } else if (item < reads + groups) {
                filter_.ComputeGroup(first, item - reads, side, span_.data());
            } else {
                read.wait(false, std::memory_order_acquire);
                if (!readFailure_) {
                    filter_.PrepareChunk(first + filter_.spanSize(), item - reads - groups,
                                         Window(k + 1), static_cast<unsigned>((k + 1) % sides));
                }
            }
        });
    }

    // Makes the window of span k hold the inputs it reaches (those inside the input): the window
    // of span k - 1 when it holds them already, else the other one, read from the span's oldest
    // input on. A file shorter than its count reads as zeros rather than as stale samples.
    void ReadWindow(std::uint64_t k) {
        const std::uint64_t first = k * filter_.spanSize();
        const std::int64_t oldest = std::max<std::int64_t>(filter_.FirstInput(first), 0);
        const std::int64_t newest =
            std::min<std::int64_t>(filter_.LastInput(first), std::int64_t{inputCount_} - 1);
        const Held& before = held_[(k + 1) % 2];
        Held& held = held_[k % 2];
        if (k > 0 && oldest >= before.start && newest < before.end) {
            held = before;
            return;
        }
        // As much as the window takes: the next span may find its inputs there too.
        const auto room = static_cast<std::int64_t>(windows_[0].size());
        if (newest - oldest + 1 > room) {
            throw std::logic_error("a span of outputs reaches beyond the input window");
        }
        const std::int64_t count =
            std::clamp<std::int64_t>(std::int64_t{inputCount_} - oldest, 0, room);
        held = {k > 0 ? (before.buffer + 1) % static_cast<int>(windows_.size()) : 0, oldest,
                oldest + count};
        stage_.input().ReadAt(static_cast<std::uint64_t>(oldest) * sizeof(float),
                              windows_[held.buffer].data(),
                              static_cast<std::size_t>(count) * sizeof(float));
    }

    SampleWindow Window(std::uint64_t k) const {
        const Held& held = held_[k % 2];
        return {windows_[held.buffer].data(), held.start, held.end, std::int64_t{inputCount_}};
    }

    // Passes outputs [first, first + count) of the span on to the output, and reports the bar at
    // every output where its position moves on. Answers false when a report finds the user
    // cancelled.
    bool Emit(std::uint64_t first, std::uint64_t count) {
        for (std::uint64_t done = 0; done < count;) {
            const std::uint64_t outputIndex = first + done;
            std::uint64_t piece = count - done;
            if (nextReport_ >= outputIndex) {
                piece = std::min(piece, nextReport_ - outputIndex + 1);
            }
            stage_.output().Append(span_.data() + done, piece * sizeof(float));
            done += piece;
            if (first + done - 1 == nextReport_ && !ReportAt(nextReport_)) {
                return false;
            }
        }
        return true;
    }

    // Reports the position of an output; answers false when the user cancelled.
    bool ReportAt(std::uint64_t outputIndex) {
        reportedK_ = outputIndex * filter_.down();
        const auto span = static_cast<std::uint64_t>(bar_.span);
        const std::uint64_t share = span * reportedK_ / total_;
        // The first output whose filter position k' reaches the next share: span k' >= (share +
        // 1) * total.
        const std::uint64_t nextK = ((share + 1) * total_ + span - 1) / span;
        nextReport_ = (nextK + filter_.down() - 1) / filter_.down();
        return !stage_.Cancelled(reportedK_, total_);
    }

    StageWork& stage_;
    BarShare bar_;
    std::vector<std::vector<float>>& windows_;  // one per side of the filter
    std::vector<float>& span_;
    PolyphaseFilter& filter_;
    WorkerTeam& team_;
    std::uint32_t inputCount_;
    std::uint64_t total_;    // length of the whole convolution at the filter rate
    std::uint64_t outputs_;  // ceil(total / down)
    std::uint64_t spans_;
    // The inputs [start, end) held for span k at k % 2, and which window holds them.
    struct Held {
        int buffer = 0;
        std::int64_t start = 0;
        std::int64_t end = 0;
    };
    Held held_[2];
    std::exception_ptr readFailure_;
    std::uint64_t reportedK_ = 0;   // the filter position of the last output reported
    std::uint64_t nextReport_ = 0;  // the next output at which the bar position moves
};

}  // namespace

unsigned ResamplerThreads(std::uint32_t inputCount, std::uint32_t inputRate, unsigned threads) {
    const RateRatio* ratio = FindRateRatio(inputRate);
    const FilterTable* table = ratio != nullptr ? FindFilterTable(ratio->filterRate) : nullptr;
    if (threads != 0 || table == nullptr) {
        return threads;
    }
    // The multiply-adds: each output sums about taps / up of them.
    const std::uint64_t work =
        std::uint64_t{inputCount} * ratio->up / ratio->down * (table->size / ratio->up);
    return work < kSharedWork ? 1 : 0;
}

Outcome<std::uint32_t> Resampler::Run(const StageCall& call, ProgressPort& progress) const {
    const std::uint32_t inputCount = call.input.count;
    const RateRatio* ratio = FindRateRatio(inputRate_);
    if (ratio != nullptr && ratio->Copied()) {
        if (auto failure = CopyFileInBlocks(call.output, call.input.path)) {
            return *std::move(failure);
        }
        return inputCount;
    }
    StageWork stage(call, progress);
    return stage.Run([&]() -> StageWork::Count {
        // The working storage comes before the rate's filter is looked up and any file opened:
        // two windows and two sides of rows for a team, one of each for a single thread.
        WorkerTeam team(ResamplerThreads(inputCount, inputRate_, threads_));
        const unsigned sides = team.size() > 1 ? 2 : 1;
        const std::size_t windowSamples =
            sides == 1 ? kResamplerSingleWindowSamples : kResamplerWindowSamples;
        std::vector<std::vector<float>> windows(sides, std::vector<float>(windowSamples));
        stage.output().Reserve(kOutputBlockSamples * kBlocksPerWrite * sizeof(float),
                               StageWriter::AtReport::Keep);
        const FilterTable* table = ratio != nullptr ? FindFilterTable(ratio->filterRate) : nullptr;
        if (table == nullptr) {
            return stage.Fail(IDS_INVALID_FOR_CONVERSION);
        }
        PolyphaseFilter filter(*table, ratio->up, ratio->down, windowSamples, sides);
        std::vector<float> span(filter.spanSize());
        stage.input().Open(call.input.path);
        stage.output().Open(call.output);
        std::uint64_t produced = 0;
        if (inputCount > 0) {
            Pass pass(stage, call.bar, windows, span, filter, team, inputCount);
            if (!pass.Run()) {
                return std::nullopt;
            }
            produced = pass.outputs();
        }
        stage.Finish();
        return static_cast<std::uint32_t>(produced);
    });
}

}  // namespace sonaro
