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

// One pass over the input, span by span. The team takes as many spans at a time as it has
// threads, one each: a thread reads the inputs of its span into a window of its own (reads at a
// position, side by side), lays them out in rows of its own and sums them, so that no thread
// works on memory another one has written. A span's window is the one its thread used for the
// span before, unless that one holds its inputs already. Between rounds the calling thread alone
// passes the outputs on, in order, in whole blocks of 2000 written 32 at a time, and reports the
// bar at every output where it moves on; a read that failed is reported only after the outputs
// of the spans before it were passed on, as reading span after span would.
class Pass {
  public:
    Pass(StageWork& stage, BarShare bar, std::vector<std::vector<float>>& windows,
         std::vector<std::vector<float>>& spans, PolyphaseFilter& filter, WorkerTeam& team,
         std::uint32_t inputCount)
        : stage_(stage),
          bar_(bar),
          windows_(windows),
          spans_(spans),
          filter_(filter),
          team_(team),
          inputCount_(inputCount),
          total_(filter_.taps() + std::uint64_t{filter_.up()} * (inputCount - 1)),
          outputs_((total_ + filter_.down() - 1) / filter_.down()),
          spanCount_((outputs_ + filter_.spanSize() - 1) / filter_.spanSize()),
          held_(windows.size()),
          failures_(windows.size()) {}

    // Answers false when the user cancelled; the output then holds the full blocks written.
    bool Run() {
        const std::size_t sides = windows_.size();
        for (std::uint64_t round = 0; round * sides < spanCount_; ++round) {
            const std::uint64_t first = round * sides;
            const auto count =
                static_cast<std::size_t>(std::min<std::uint64_t>(sides, spanCount_ - first));
            team_.ForEach(count, [&](std::size_t side) { Compute(first + side, side); });
            for (std::size_t side = 0; side < count; ++side) {
                if (failures_[side]) {
                    std::rethrow_exception(failures_[side]);
                }
                const std::uint64_t firstOutput = (first + side) * filter_.spanSize();
                if (!Emit(firstOutput, SpanOutputs(first + side), spans_[side].data()) ||
                    stage_.Cancelled(reportedK_, total_)) {
                    return false;
                }
            }
        }
        return true;
    }

    std::uint64_t outputs() const { return outputs_; }

  private:
    std::uint64_t SpanOutputs(std::uint64_t k) const {
        return std::min(filter_.spanSize(), outputs_ - k * filter_.spanSize());
    }

    // Reads span k's inputs on that side and computes its outputs there; a failure is kept for
    // the calling thread.
    void Compute(std::uint64_t k, std::size_t side) {
        try {
            ReadWindow(k, side);
            const Held& held = held_[side];
            filter_.ComputeSpan(
                k * filter_.spanSize(), SpanOutputs(k),
                {windows_[side].data(), held.start, held.end, std::int64_t{inputCount_}},
                spans_[side].data(), static_cast<unsigned>(side));
        } catch (...) {
            failures_[side] = std::current_exception();
        }
    }

    // Makes the window of that side hold the inputs span k reaches (those inside the input),
    // read from the span's oldest input on, unless it holds them already. A file shorter than
    // its count reads as zeros rather than as stale samples.
    void ReadWindow(std::uint64_t k, std::size_t side) {
        const std::uint64_t first = k * filter_.spanSize();
        const std::int64_t oldest = std::max<std::int64_t>(filter_.FirstInput(first), 0);
        const std::int64_t newest =
            std::min<std::int64_t>(filter_.LastInput(first), std::int64_t{inputCount_} - 1);
        Held& held = held_[side];
        if (held.end > held.start && oldest >= held.start && newest < held.end) {
            return;
        }
        // As much as the window takes: the next span may find its inputs there too.
        const auto room = static_cast<std::int64_t>(windows_[side].size());
        if (newest - oldest + 1 > room) {
            throw std::logic_error("a span of outputs reaches beyond the input window");
        }
        const std::int64_t count =
            std::clamp<std::int64_t>(std::int64_t{inputCount_} - oldest, 0, room);
        held = {};
        stage_.input().ReadAt(static_cast<std::uint64_t>(oldest) * sizeof(float),
                              windows_[side].data(),
                              static_cast<std::size_t>(count) * sizeof(float));
        held = {oldest, oldest + count};
    }

    // Passes outputs [first, first + count), held in outputs, on to the output, and reports the
    // bar at every output where its position moves on. Answers false when a report finds the
    // user cancelled.
    bool Emit(std::uint64_t first, std::uint64_t count, const float* outputs) {
        for (std::uint64_t done = 0; done < count;) {
            const std::uint64_t outputIndex = first + done;
            std::uint64_t piece = count - done;
            if (nextReport_ >= outputIndex) {
                piece = std::min(piece, nextReport_ - outputIndex + 1);
            }
            stage_.output().Append(outputs + done, piece * sizeof(float));
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
    std::vector<std::vector<float>>& spans_;    // the outputs of each side's span
    PolyphaseFilter& filter_;
    WorkerTeam& team_;
    std::uint32_t inputCount_;
    std::uint64_t total_;      // length of the whole convolution at the filter rate
    std::uint64_t outputs_;    // ceil(total / down)
    std::uint64_t spanCount_;  // spans of outputs
    // The inputs [start, end) each side's window holds.
    struct Held {
        std::int64_t start = 0;
        std::int64_t end = 0;
    };
    std::vector<Held> held_;
    std::vector<std::exception_ptr> failures_;  // of each side's span in this round
    std::uint64_t reportedK_ = 0;               // the filter position of the last output reported
    std::uint64_t nextReport_ = 0;              // the next output at which the bar position moves
};

}  // namespace

std::size_t ResamplerWindowSamples(unsigned threads) {
    return threads <= 1
               ? kResamplerSingleWindowSamples
               : std::max(kResamplerSingleWindowSamples, kResamplerWindowSamples / threads);
}

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
        // a window, a side of rows and a span of outputs for each thread.
        WorkerTeam team(ResamplerThreads(inputCount, inputRate_, threads_));
        const unsigned sides = team.size();
        const std::size_t windowSamples = ResamplerWindowSamples(sides);
        std::vector<std::vector<float>> windows(sides, std::vector<float>(windowSamples));
        stage.output().Reserve(kOutputBlockSamples * kBlocksPerWrite * sizeof(float),
                               StageWriter::AtReport::Keep);
        const FilterTable* table = ratio != nullptr ? FindFilterTable(ratio->filterRate) : nullptr;
        if (table == nullptr) {
            return stage.Fail(IDS_INVALID_FOR_CONVERSION);
        }
        PolyphaseFilter filter(*table, ratio->up, ratio->down, windowSamples, sides);
        std::vector<std::vector<float>> spans(sides, std::vector<float>(filter.spanSize()));
        stage.input().Open(call.input.path);
        stage.output().Open(call.output);
        std::uint64_t produced = 0;
        if (inputCount > 0) {
            Pass pass(stage, call.bar, windows, spans, filter, team, inputCount);
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
