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

// One pass over the input, span by span. Every thread of the team takes the next span from a
// common counter, reads its inputs into a window of its own (reads at a position, side by side),
// lays them out in rows of its own and sums them into a free slot of a ring of span outputs, so
// that no thread works on memory another one has written and none waits for the others at every
// span. A span's window is the one its thread used for the span before, unless that one holds its
// inputs already. The calling thread alone passes the outputs on, in order, in whole blocks of
// 2000 written 32 at a time, and reports the bar at every output where it moves on; a read that
// failed is reported only after the outputs of the spans before it were passed on, as reading
// span after span would.
class Pass {
  public:
    Pass(StageWork& stage, BarShare bar, std::vector<std::vector<float>>& windows,
         std::vector<std::vector<float>>& slots, PolyphaseFilter& filter, WorkerTeam& team,
         std::uint32_t inputCount)
        : stage_(stage),
          bar_(bar),
          windows_(windows),
          slots_(slots),
          filter_(filter),
          team_(team),
          inputCount_(inputCount),
          total_(filter_.taps() + std::uint64_t{filter_.up()} * (inputCount - 1)),
          outputs_((total_ + filter_.down() - 1) / filter_.down()),
          spanCount_((outputs_ + filter_.spanSize() - 1) / filter_.spanSize()),
          held_(windows.size()),
          ready_(slots.size()),
          failures_(slots.size()) {}

    // Answers false when the user cancelled; the output then holds the full blocks written.
    bool Run() {
        team_.OnEach([&](std::size_t side) { Work(side); });
        if (failure_) {
            std::rethrow_exception(failure_);
        }
        return !cancelled_;
    }

    std::uint64_t outputs() const { return outputs_; }

  private:
    std::uint64_t SpanOutputs(std::uint64_t k) const {
        return std::min(filter_.spanSize(), outputs_ - k * filter_.spanSize());
    }

    // The spans taken on one thread, side; the calling thread (side 0) also passes the finished
    // ones on, and all that are left once no span is left to take.
    void Work(std::size_t side) {
        const bool caller = side == 0;
        for (;;) {
            const std::uint64_t k = next_.fetch_add(1, std::memory_order_relaxed);
            if (k >= spanCount_ || !AwaitSlot(k, caller)) {
                break;
            }
            Compute(k, side);
            if (caller) {
                EmitFinished(false);
            }
        }
        if (caller) {
            EmitFinished(true);
        }
    }

    // Waits until the slot of span k is free, passing spans on meanwhile on the calling thread.
    // Answers false when the pass stopped.
    bool AwaitSlot(std::uint64_t k, bool caller) {
        const std::uint64_t ring = slots_.size();
        if (caller) {
            while (!stopped_.load(std::memory_order_relaxed) && emitted_ + ring <= k) {
                EmitFinished(true, 1);
            }
        } else {
            // The free slots' limit: spans passed on, or all of them once the pass stopped.
            for (std::uint32_t seen = freed_.load(std::memory_order_acquire); seen + ring <= k;
                 seen = freed_.load(std::memory_order_acquire)) {
                freed_.wait(seen, std::memory_order_acquire);
            }
        }
        return !stopped_.load(std::memory_order_acquire);
    }

    // Reads span k's inputs on that side and computes its outputs into its slot; a failure is
    // kept for the calling thread. Marks the slot finished either way.
    void Compute(std::uint64_t k, std::size_t side) {
        const std::size_t slot = k % slots_.size();
        try {
            ReadWindow(k, side);
            const Held& held = held_[side];
            filter_.ComputeSpan(
                k * filter_.spanSize(), SpanOutputs(k),
                {windows_[side].data(), held.start, held.end, std::int64_t{inputCount_}},
                slots_[slot].data(), static_cast<unsigned>(side));
        } catch (...) {
            failures_[slot] = std::current_exception();
        }
        ready_[slot].store(static_cast<std::uint32_t>(k + 1), std::memory_order_release);
        ready_[slot].notify_one();
    }

    // Passes finished spans on in order, on the calling thread: those finished already, or with
    // wait, also those still being computed, until all are passed on or at most `most` of them.
    // A failure or a cancel stops the pass.
    void EmitFinished(bool wait, std::uint64_t most = UINT64_MAX) {
        for (std::uint64_t passed = 0; passed < most && emitted_ < spanCount_ && !Stopped();
             ++passed) {
            const std::size_t slot = emitted_ % slots_.size();
            const auto wanted = static_cast<std::uint32_t>(emitted_ + 1);
            std::atomic<std::uint32_t>& ready = ready_[slot];
            for (std::uint32_t seen = ready.load(std::memory_order_acquire); seen != wanted;
                 seen = ready.load(std::memory_order_acquire)) {
                if (!wait) {
                    return;
                }
                ready.wait(seen, std::memory_order_acquire);
            }
            if (failures_[slot]) {
                Stop(failures_[slot]);
                return;
            }
            const std::uint64_t firstOutput = emitted_ * filter_.spanSize();
            try {
                if (!Emit(firstOutput, SpanOutputs(emitted_), slots_[slot].data()) ||
                    stage_.Cancelled(reportedK_, total_)) {
                    cancelled_ = true;
                    Stop(nullptr);
                    return;
                }
            } catch (...) {
                Stop(std::current_exception());
                return;
            }
            ++emitted_;
            freed_.store(static_cast<std::uint32_t>(emitted_), std::memory_order_release);
            freed_.notify_all();
        }
    }

    bool Stopped() const { return stopped_.load(std::memory_order_relaxed); }

    // Ends the pass: no thread takes or waits for another span.
    void Stop(std::exception_ptr failure) {
        failure_ = std::move(failure);
        stopped_.store(true, std::memory_order_release);
        freed_.store(UINT32_MAX / 2, std::memory_order_release);
        freed_.notify_all();
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
    std::vector<std::vector<float>>& slots_;    // the ring of spans' outputs
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
    std::atomic<std::uint64_t> next_{0};  // the next span to take
    // Per slot of the ring: 1 + the span it holds once that span is finished, and its failure.
    std::vector<std::atomic<std::uint32_t>> ready_;
    std::vector<std::exception_ptr> failures_;
    std::atomic<std::uint32_t> freed_{0};  // spans passed on (their slots free), for the workers
    std::atomic<bool> stopped_{false};
    std::uint64_t emitted_ = 0;   // spans passed on; the calling thread's alone
    std::exception_ptr failure_;  // that stopped the pass, set by the calling thread
    bool cancelled_ = false;
    std::uint64_t reportedK_ = 0;   // the filter position of the last output reported
    std::uint64_t nextReport_ = 0;  // the next output at which the bar position moves
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

bool Resampler::UsesATeam(std::uint32_t inputCount) const {
    const RateRatio* ratio = FindRateRatio(inputRate_);
    if (ratio == nullptr || ratio->Copied()) {
        return false;
    }
    const unsigned threads = ResamplerThreads(inputCount, inputRate_, threads_);
    return threads > 1 || (threads == 0 && WorkerTeam::DefaultSize() > 1);
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
        // Two slots of outputs per thread: a thread goes on while its last span waits to be passed
        // on.
        std::vector<std::vector<float>> slots(std::size_t{2} * sides,
                                              std::vector<float>(filter.spanSize()));
        stage.input().Open(call.input.path);
        stage.output().Open(call.output);
        std::uint64_t produced = 0;
        if (inputCount > 0) {
            Pass pass(stage, call.bar, windows, slots, filter, team, inputCount);
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
