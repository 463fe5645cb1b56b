#include "convert/resampler/polyphase_filter.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace sonaro {
namespace {

constexpr std::size_t kAlignment = 64;

// Fills the slots of one row from inputs all inside the window: slot k of stream s is
// source[s * streamStep + k * step].
template <std::size_t kWidth>
void CopyStreams(const float* source, std::int64_t step, std::int64_t streamStep, std::size_t slots,
                 std::size_t slotStep, double* values) {
    for (std::size_t k = 0; k < slots; ++k, source += step, values += slotStep) {
        for (std::size_t s = 0; s < kWidth; ++s) {
            values[s] = source[static_cast<std::int64_t>(s) * streamStep];
        }
    }
}

}  // namespace

PolyphaseFilter::PolyphaseFilter(const FilterTable& table, std::uint32_t up, std::uint32_t down,
                                 std::size_t windowSamples, SimdLevel level)
    : up_(up),
      down_(down),
      taps_(table.size),
      longestPhase_((taps_ + up - 1) / up),
      kernel_(PhaseSumKernelFor(level)) {
    // Phase r holds h[r], h[r + up], ...: the taps met by outputs whose filter position is r
    // modulo up, in the order their sums use them.
    for (std::uint32_t r = 0; r < up; ++r) {
        phaseStart_.push_back(phaseTaps_.size());
        for (std::size_t t = r; t < taps_; t += up) {
            phaseTaps_.push_back(table.taps[t]);
        }
    }
    phaseStart_.push_back(phaseTaps_.size());
    // The most columns whose reach, (longest - 1) + (up - 1) * down / up + (columns - 1) * down
    // + 1 inputs, fits the window, in whole lane units.
    const std::size_t lead = longestPhase_ - 1 + (up_ - 1) * down_ / up_;
    const std::size_t fit = windowSamples > lead ? (windowSamples - lead - 1) / down_ + 1 : 0;
    columns_ = fit / kLaneUnit * kLaneUnit;
    if (columns_ == 0) {
        throw std::logic_error("the input window is too small for the filter");
    }
    // A row of the span holds (reach - 1) / down + 1 elements; cut into streams of columns / width
    // outputs each, every stream also needs the elements that reach beyond its last column.
    streamColumns_ = columns_ / kernel_.shape.width;
    const std::size_t elements = static_cast<std::size_t>(LastInput(0) - FirstInput(0)) / down_ + 1;
    slots_ = elements - (kernel_.shape.width - 1) * streamColumns_;
    const std::size_t size = slots_ * kernel_.shape.width * down_;
    // Aligned to a whole vector, so that no load of the sums straddles two cache lines.
    storage_.resize(size + kAlignment / sizeof(double));
    void* start = storage_.data();
    std::size_t space = storage_.size() * sizeof(double);
    rows_ = static_cast<double*>(std::align(kAlignment, size * sizeof(double), start, space));
}

std::int64_t PolyphaseFilter::FirstInput(std::uint64_t firstOutput) const {
    const auto newest = static_cast<std::int64_t>(firstOutput * down_ / up_);
    return newest - static_cast<std::int64_t>(longestPhase_ - 1);
}

std::int64_t PolyphaseFilter::LastInput(std::uint64_t firstOutput) const {
    const auto newest = static_cast<std::int64_t>(firstOutput * down_ / up_);
    return newest + (up_ - 1) * down_ / up_ + static_cast<std::int64_t>((columns_ - 1) * down_);
}

void PolyphaseFilter::FillRow(std::size_t row, std::int64_t first, std::int64_t from,
                              std::int64_t to, const SampleWindow& window) {
    const std::size_t width = kernel_.shape.width;
    double* values = rows_ + row * width;
    const std::size_t slotStep = down_ * width;  // from one element of the row to the next
    // Slot k of stream s holds input base + (s * streamColumns + k) * down.
    const std::int64_t base = first + static_cast<std::int64_t>(row);
    const auto step = static_cast<std::int64_t>(down_);
    const auto streamStep = static_cast<std::int64_t>(streamColumns_ * down_);
    const std::int64_t last = base + static_cast<std::int64_t>(width - 1) * streamStep +
                              static_cast<std::int64_t>(slots_ - 1) * step;
    if (base >= from && last <= to) {
        // The whole row lies inside the input: no checks, slot after slot.
        const float* source = window.samples + (base - window.start);
        switch (width) {
            case 2:
                return CopyStreams<2>(source, step, streamStep, slots_, slotStep, values);
            case 4:
                return CopyStreams<4>(source, step, streamStep, slots_, slotStep, values);
            case 8:
                return CopyStreams<8>(source, step, streamStep, slots_, slotStep, values);
            default:
                break;
        }
    }
    for (std::size_t k = 0; k < slots_; ++k, values += slotStep) {
        for (std::size_t s = 0; s < width; ++s) {
            const std::int64_t input = base + static_cast<std::int64_t>(s) * streamStep +
                                       static_cast<std::int64_t>(k) * step;
            values[s] = input >= from && input <= to ? window.samples[input - window.start] : 0.0;
        }
    }
}

void PolyphaseFilter::Deinterleave(std::int64_t first, std::int64_t last,
                                   const SampleWindow& window, WorkerTeam& team) {
    const std::int64_t from = std::max<std::int64_t>(first, 0);
    const std::int64_t to = std::min(last, window.count - 1);
    if (from <= to && (from < window.start || to >= window.end)) {
        throw std::logic_error("input window does not cover the span");
    }
    team.ForEach(down_, [&](std::size_t row) { FillRow(row, first, from, to, window); });
}

void PolyphaseFilter::ComputeGroup(std::size_t group, std::int64_t newest, std::int64_t first,
                                   float* out) const {
    const PhaseRows rows{rows_, down_};
    const std::size_t column = group * kernel_.shape.vectors;  // of each stream
    for (std::uint32_t u = 0; u < up_; ++u) {
        const std::uint32_t phase = u * down_ % up_;
        const auto offset = static_cast<std::size_t>(newest + u * down_ / up_ - first);
        const std::size_t start = phaseStart_[phase];
        kernel_.sum(phaseTaps_.data() + start, phaseStart_[phase + 1] - start, rows, offset % down_,
                    offset / down_ + column, {out + column * up_ + u, up_, streamColumns_ * up_});
    }
}

void PolyphaseFilter::ComputeSpan(std::uint64_t firstOutput, std::uint64_t count,
                                  const SampleWindow& window, float* out, WorkerTeam& team) {
    const std::int64_t first = FirstInput(firstOutput);
    Deinterleave(first, LastInput(firstOutput), window, team);
    const auto newest = static_cast<std::int64_t>(firstOutput * down_ / up_);
    // A short span needs only the first columns of the first stream.
    const std::uint64_t columns = (std::min(count, spanSize()) + up_ - 1) / up_;
    const std::size_t groups =
        (std::min<std::uint64_t>(columns, streamColumns_) + kernel_.shape.vectors - 1) /
        kernel_.shape.vectors;
    team.ForEach(groups, [&](std::size_t group) { ComputeGroup(group, newest, first, out); });
}

}  // namespace sonaro
