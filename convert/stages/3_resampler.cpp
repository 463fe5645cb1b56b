#include "convert/stages/3_resampler.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <stdexcept>
#include <vector>

#include "convert/files/file_copy.h"
#include "convert/resampler/filter_tables.h"
#include "convert/resampler/polyphase_filter.h"
#include "convert/resampler/rate_table.h"
#include "convert/resampler/worker_team.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little,
              "sample files hold little-endian floats and are read and written as they are");

constexpr std::size_t kWindowSamples = kResamplerWindowSamples;
constexpr std::size_t kOutputBlockSamples = 2000;

// One pass over the input: fills the window as the spans of outputs need it, passes the outputs
// on to be written in blocks of 2000 and reports the bar at every output where it moves on.
class Pass {
  public:
    // The window holds kWindowSamples inputs, the span a span of outputs.
    Pass(Stage& stage, BarShare bar, std::vector<float>& window, std::vector<float>& span,
         PolyphaseFilter& filter, WorkerTeam& team, std::uint32_t inputCount)
        : stage_(stage),
          bar_(bar),
          window_(window),
          span_(span),
          filter_(filter),
          team_(team),
          inputCount_(inputCount),
          total_(filter_.taps() + std::uint64_t{filter_.up()} * (inputCount - 1)),
          outputs_((total_ + filter_.down() - 1) / filter_.down()) {}

    // Answers false when the user cancelled; the output then holds the full blocks written.
    bool Run() {
        for (std::uint64_t first = 0; first < outputs_; first += span_.size()) {
            const std::uint64_t count = std::min<std::uint64_t>(span_.size(), outputs_ - first);
            FillWindow(first);
            filter_.ComputeSpan(
                first, count,
                {window_.data(), windowStart_, windowEnd_, static_cast<std::int64_t>(inputCount_)},
                span_.data(), team_);
            if (!Emit(first, count) || stage_.Cancelled(reportedK_, total_)) {
                return false;
            }
        }
        return true;
    }

    std::uint64_t outputs() const { return outputs_; }

  private:
    // Makes sure the window holds the inputs the span reaches: when its newest one lies beyond
    // the window, the window is read again from the span's oldest input on.
    void FillWindow(std::uint64_t firstOutput) {
        const std::int64_t oldest = std::max<std::int64_t>(filter_.FirstInput(firstOutput), 0);
        const std::int64_t newest =
            std::min<std::int64_t>(filter_.LastInput(firstOutput), std::int64_t{inputCount_} - 1);
        if (newest < windowEnd_) {
            return;
        }
        const auto count = static_cast<std::size_t>(
            std::min<std::int64_t>(kWindowSamples, std::int64_t{inputCount_} - oldest));
        // A file shorter than its count reads as zeros rather than as stale samples.
        stage_.input().ReadAt(static_cast<std::uint64_t>(oldest) * sizeof(float), window_.data(),
                              count * sizeof(float));
        windowStart_ = oldest;
        windowEnd_ = oldest + static_cast<std::int64_t>(count);
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

    Stage& stage_;
    BarShare bar_;
    std::vector<float>& window_;
    std::vector<float>& span_;
    PolyphaseFilter& filter_;
    WorkerTeam& team_;
    std::uint32_t inputCount_;
    std::uint64_t total_;    // length of the whole convolution at the filter rate
    std::uint64_t outputs_;  // ceil(total / down)
    std::int64_t windowStart_ = 0;
    std::int64_t windowEnd_ = 0;
    std::uint64_t reportedK_ = 0;   // the filter position of the last output reported
    std::uint64_t nextReport_ = 0;  // the next output at which the bar position moves
};

}  // namespace

bool MonoFloatsTo8000Hz(StageContext& context, BarShare bar, const std::string& output,
                        const std::string& input, std::uint32_t inputCount,
                        std::uint32_t& outputCount, std::uint32_t inputRate, unsigned threads) {
    const RateRatio* ratio = FindRateRatio(inputRate);
    if (ratio != nullptr && ratio->Copied()) {
        outputCount = inputCount;
        return CopyFileInBlocks(context.messages, output, input);
    }
    Stage stage(context, bar);
    return stage.Run([&] {
        // The working storage comes before the rate's filter is looked up and any file opened.
        std::vector<float> window(kWindowSamples);
        stage.output().Reserve(kOutputBlockSamples * sizeof(float), StageWriter::AtReport::Keep);
        const FilterTable* table = ratio != nullptr ? FindFilterTable(ratio->filterRate) : nullptr;
        if (table == nullptr) {
            return stage.Fail(IDS_INVALID_FOR_CONVERSION);
        }
        PolyphaseFilter filter(*table, ratio->up, ratio->down, kWindowSamples);
        std::vector<float> span(filter.spanSize());
        WorkerTeam team(threads);
        if (filter.LastInput(0) - filter.FirstInput(0) + 1 >
            static_cast<std::int64_t>(kWindowSamples)) {
            throw std::logic_error("a span of outputs reaches beyond the input window");
        }
        stage.input().Open(input);
        stage.output().Open(output);
        std::uint64_t produced = 0;
        if (inputCount > 0) {
            Pass pass(stage, bar, window, span, filter, team, inputCount);
            if (!pass.Run()) {
                return false;
            }
            produced = pass.outputs();
        }
        stage.Finish(Stage::Input::Remove);
        outputCount = static_cast<std::uint32_t>(produced);
        return true;
    });
}

}  // namespace sonaro
