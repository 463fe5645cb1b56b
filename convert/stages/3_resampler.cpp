#include "convert/stages/3_resampler.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "convert/files/file.h"
#include "convert/files/file_copy.h"
#include "convert/files/file_error_report.h"
#include "convert/resampler/filter_tables.h"
#include "convert/resampler/polyphase_filter.h"
#include "convert/resampler/worker_team.h"
#include "convert/stages/progress_reporter.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little,
              "sample files hold little-endian floats and are read and written as they are");

// Each window of the input holds the inputs of one span of outputs.
constexpr std::size_t kWindowSamples = kResamplerWindowSamples;
constexpr std::size_t kOutputBlockSamples = 2000;
constexpr std::uint64_t kFirstPosition = 5;
constexpr std::uint64_t kPositionSpan = 85;

// How each input rate reaches the output rate: up-sample by up, filter at up * rate, keep every
// down-th value. The 44.1 kHz family uses 8/11 and comes out at 8018.18 Hz.
struct Ratio {
    std::uint32_t inputRate;
    std::uint32_t up;
    std::uint32_t down;
    std::uint32_t filterRate;
};
constexpr Ratio kRatios[] = {
    {11025, 8, 11, 88200}, {12000, 2, 3, 24000}, {16000, 1, 2, 16000},  {22050, 4, 11, 88200},
    {24000, 1, 3, 24000},  {32000, 1, 4, 32000}, {44100, 2, 11, 88200}, {48000, 1, 6, 48000},
};

const Ratio* FindRatio(std::uint32_t inputRate) {
    for (const Ratio& ratio : kRatios) {
        if (ratio.inputRate == inputRate) {
            return &ratio;
        }
    }
    return nullptr;
}

// The working storage of one call, allocated before any file is opened.
struct Buffers {
    std::vector<float> window;
    std::vector<float> output;
    std::vector<float> block;
    std::unique_ptr<PolyphaseFilter> filter;
    std::unique_ptr<WorkerTeam> team;
};

// One pass over the input: fills the window as the blocks of outputs need it, collects the
// outputs into blocks of 2000 for writing and reports the progress.
class Pass {
  public:
    Pass(StageContext& context, Buffers& buffers, std::uint32_t inputCount)
        : reporter_(context.progress),
          buffers_(buffers),
          filter_(*buffers.filter),
          inputCount_(inputCount),
          total_(filter_.taps() + std::uint64_t{filter_.up()} * (inputCount - 1)),
          outputs_((total_ + filter_.down() - 1) / filter_.down()) {}

    // Answers false when the user cancelled; the output then holds the full blocks written.
    bool Run(File& input, File& output) {
        const std::uint64_t spanSize = filter_.spanSize();
        for (std::uint64_t first = 0; first < outputs_; first += spanSize) {
            const std::uint64_t count = std::min(spanSize, outputs_ - first);
            FillWindow(input, first);
            filter_.ComputeSpan(first, count,
                                {buffers_.window.data(), windowStart_, windowEnd_,
                                 static_cast<std::int64_t>(inputCount_)},
                                buffers_.block.data(), *buffers_.team);
            if (!Emit(first, count, output) || reporter_.Report(position_)) {
                return false;
            }
        }
        if (filled_ > 0) {
            output.Write(buffers_.output.data(), filled_ * sizeof(float));
        }
        return true;
    }

    std::uint64_t outputs() const { return outputs_; }

  private:
    // Makes sure the window holds the inputs the span reaches: when its newest one lies beyond
    // the window, the window is read again from the span's oldest input on.
    void FillWindow(File& input, std::uint64_t firstOutput) {
        const std::int64_t oldest = std::max<std::int64_t>(filter_.FirstInput(firstOutput), 0);
        const std::int64_t newest =
            std::min<std::int64_t>(filter_.LastInput(firstOutput), std::int64_t{inputCount_} - 1);
        if (newest < windowEnd_) {
            return;
        }
        const auto count = static_cast<std::size_t>(
            std::min<std::int64_t>(kWindowSamples, std::int64_t{inputCount_} - oldest));
        input.Seek(oldest * static_cast<std::int64_t>(sizeof(float)), File::SeekFrom::Begin);
        const std::size_t got = input.Read(buffers_.window.data(), count * sizeof(float));
        // A file shorter than its count reads as zeros rather than as stale samples.
        std::fill(buffers_.window.begin() + static_cast<std::ptrdiff_t>(got / sizeof(float)),
                  buffers_.window.begin() + static_cast<std::ptrdiff_t>(count), 0.0f);
        windowStart_ = oldest;
        windowEnd_ = oldest + static_cast<std::int64_t>(count);
    }

    // Passes outputs [first, first + count) of the span to the output buffer, writing each full
    // buffer, and reports the bar position at every output where it moves on. Answers false when
    // a report finds the user cancelled.
    bool Emit(std::uint64_t first, std::uint64_t count, File& output) {
        const float* block = buffers_.block.data();
        for (std::uint64_t done = 0; done < count;) {
            const std::uint64_t outputIndex = first + done;
            std::uint64_t span = std::min(count - done, kOutputBlockSamples - filled_);
            if (nextReport_ >= outputIndex) {
                span = std::min(span, nextReport_ - outputIndex + 1);
            }
            std::copy_n(block + done, span, buffers_.output.data() + filled_);
            filled_ += span;
            done += span;
            if (filled_ == kOutputBlockSamples) {
                output.Write(buffers_.output.data(), kOutputBlockSamples * sizeof(float));
                filled_ = 0;
            }
            if (first + done - 1 == nextReport_ && !ReportAt(nextReport_)) {
                return false;
            }
        }
        return true;
    }

    // Reports the position of an output; answers false when the user cancelled.
    bool ReportAt(std::uint64_t outputIndex) {
        const std::uint64_t k = outputIndex * filter_.down();
        const std::uint64_t share = kPositionSpan * k / total_;
        position_ = static_cast<int>(kFirstPosition + share);
        // The first output whose filter position k' reaches the next share: 85 k' >= (share +
        // 1) * total.
        const std::uint64_t nextK = ((share + 1) * total_ + kPositionSpan - 1) / kPositionSpan;
        nextReport_ = (nextK + filter_.down() - 1) / filter_.down();
        return !reporter_.Report(position_);
    }

    ProgressReporter reporter_;
    Buffers& buffers_;
    PolyphaseFilter& filter_;
    std::uint32_t inputCount_;
    std::uint64_t total_;    // length of the whole convolution at the filter rate
    std::uint64_t outputs_;  // ceil(total / down)
    std::int64_t windowStart_ = 0;
    std::int64_t windowEnd_ = 0;
    std::size_t filled_ = 0;        // outputs waiting in the output buffer
    std::uint64_t nextReport_ = 0;  // the next output at which the bar position moves
    int position_ = static_cast<int>(kFirstPosition);
};

// Allocates the window and the output buffer, then the filter for the rate. Shows the message
// and answers false when memory or the rate's filter is missing.
bool Prepare(StageContext& context, std::uint32_t inputRate, unsigned threads, Buffers& buffers) {
    try {
        buffers.window.resize(kWindowSamples);
        buffers.output.resize(kOutputBlockSamples);
    } catch (const std::bad_alloc&) {
        ShowStringMessage(context.messages, IDS_MEMORY_ALLOCATION);
        return false;
    }
    const Ratio* ratio = FindRatio(inputRate);
    const FilterTable* table = ratio ? FindFilterTable(ratio->filterRate) : nullptr;
    if (table == nullptr) {
        ShowStringMessage(context.messages, IDS_INVALID_FOR_CONVERSION);
        return false;
    }
    try {
        buffers.filter =
            std::make_unique<PolyphaseFilter>(*table, ratio->up, ratio->down, kWindowSamples);
        buffers.block.resize(buffers.filter->spanSize());
        buffers.team = std::make_unique<WorkerTeam>(threads);
    } catch (const std::bad_alloc&) {
        ShowStringMessage(context.messages, IDS_MEMORY_ALLOCATION);
        return false;
    }
    const std::int64_t reach = buffers.filter->LastInput(0) - buffers.filter->FirstInput(0) + 1;
    if (reach > static_cast<std::int64_t>(kWindowSamples)) {
        throw std::logic_error("a span of outputs reaches beyond the input window");
    }
    return true;
}

}  // namespace

bool Resample(StageContext& context, const std::string& output, const std::string& input,
              std::uint32_t inputCount, std::uint32_t& outputCount, std::uint32_t inputRate,
              unsigned threads) {
    if (inputRate == 8000 || inputRate == 8012) {
        outputCount = inputCount;
        return CopyFileData(context.messages, output, input);
    }
    Buffers buffers;
    if (!Prepare(context, inputRate, threads, buffers)) {
        return false;
    }
    try {
        File in(input, File::Mode::Read);
        File out(output, File::Mode::Write);
        std::uint64_t produced = 0;
        if (inputCount > 0) {
            Pass pass(context, buffers, inputCount);
            if (!pass.Run(in, out)) {
                ShowStringMessage(context.messages, IDS_CONVERSION_CANCELLED);
                return false;
            }
            produced = pass.outputs();
        }
        // The output is closed (and its close checked) before the input it came from goes.
        out.Close();
        in.Close();
        File::Remove(input);
        outputCount = static_cast<std::uint32_t>(produced);
        return true;
    } catch (const FileException& error) {
        ReportFileError(context.messages, error);
        return false;
    }
}

}  // namespace sonaro
