#include "convert/resampler/polyphase_filter.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace sonaro {
namespace {

constexpr std::size_t kAlignment = 64;

}  // namespace

PolyphaseFilter::PolyphaseFilter(const FilterTable& table, std::uint32_t up, std::uint32_t down,
                                 std::size_t windowSamples, unsigned sides, SimdLevel level)
    : up_(up),
      down_(down),
      sides_(sides),
      taps_(table.size),
      longestPhase_((taps_ + up - 1) / up),
      kernel_(PhaseSumKernelFor(level, down)),
      fill_(RowFillFor(level)) {
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
    // Each side aligned to a whole vector, so that no load of the sums straddles two cache lines.
    constexpr std::size_t kAligned = kAlignment / sizeof(double);
    sideVectors_ = slots_ * down_;
    sideSize_ = (sideVectors_ * kernel_.shape.width + kAligned - 1) / kAligned * kAligned;
    storage_.resize(sides * sideSize_ + kAligned);
    void* start = storage_.data();
    std::size_t space = storage_.size() * sizeof(double);
    rows_ = static_cast<double*>(
        std::align(kAlignment, sides * sideSize_ * sizeof(double), start, space));
}

std::int64_t PolyphaseFilter::FirstInput(std::uint64_t firstOutput) const {
    const auto newest = static_cast<std::int64_t>(firstOutput * down_ / up_);
    return newest - static_cast<std::int64_t>(longestPhase_ - 1);
}

std::int64_t PolyphaseFilter::LastInput(std::uint64_t firstOutput) const {
    const auto newest = static_cast<std::int64_t>(firstOutput * down_ / up_);
    return newest + (up_ - 1) * down_ / up_ + static_cast<std::int64_t>((columns_ - 1) * down_);
}

void PolyphaseFilter::PrepareChunk(std::uint64_t firstOutput, std::size_t chunk,
                                   const SampleWindow& window, unsigned side) {
    const std::int64_t first = FirstInput(firstOutput);
    const std::int64_t from = std::max<std::int64_t>(first, 0);
    const std::int64_t to = std::min(LastInput(firstOutput), window.count - 1);
    if (from <= to && (from < window.start || to >= window.end)) {
        throw std::logic_error("input window does not cover the span");
    }
    const std::size_t width = kernel_.shape.width;
    const std::size_t begin = chunk * kChunkVectors;
    const std::size_t end = std::min(begin + kChunkVectors, sideVectors_);
    double* rows = rows_ + side * sideSize_;
    // Vector i holds, for each stream s, input first + s × streamStep + i: those of [inside,
    // beyond) lie inside the input for every stream, the others get zeros where they lie outside.
    const auto streamStep = static_cast<std::int64_t>(streamColumns_ * down_);
    const auto lastStream = static_cast<std::int64_t>(width - 1) * streamStep;
    const auto inside = static_cast<std::size_t>(std::clamp<std::int64_t>(
        from - first, static_cast<std::int64_t>(begin), static_cast<std::int64_t>(end)));
    const auto beyond = static_cast<std::size_t>(
        std::clamp<std::int64_t>(to - lastStream - first + 1, static_cast<std::int64_t>(inside),
                                 static_cast<std::int64_t>(end)));
    const auto fillBounded = [&](std::size_t lo, std::size_t hi) {
        for (std::size_t i = lo; i < hi; ++i) {
            for (std::size_t s = 0; s < width; ++s) {
                const std::int64_t input = first + static_cast<std::int64_t>(s) * streamStep +
                                           static_cast<std::int64_t>(i);
                rows[i * width + s] =
                    input >= from && input <= to ? window.samples[input - window.start] : 0.0;
            }
        }
    };
    fillBounded(begin, inside);
    if (beyond > inside) {
        fill_(window.samples + (first + static_cast<std::int64_t>(inside) - window.start),
              streamStep, 0, beyond - inside, rows + inside * width);
    }
    fillBounded(beyond, end);
}

std::size_t PolyphaseFilter::GroupCount(std::uint64_t count) const {
    // A short span needs only the first columns of the first stream.
    const std::uint64_t columns = (std::min(count, spanSize()) + up_ - 1) / up_;
    return (std::min<std::uint64_t>(columns, streamColumns_) + kernel_.shape.vectors - 1) /
           kernel_.shape.vectors;
}

void PolyphaseFilter::ComputeGroup(std::uint64_t firstOutput, std::size_t group, unsigned side,
                                   float* out) const {
    const std::int64_t first = FirstInput(firstOutput);
    const auto newest = static_cast<std::int64_t>(firstOutput * down_ / up_);
    const PhaseRows rows{rows_ + side * sideSize_, down_};
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
                                  const SampleWindow& window, float* out, unsigned side) {
    for (std::size_t chunk = 0; chunk < ChunkCount(); ++chunk) {
        PrepareChunk(firstOutput, chunk, window, side);
    }
    for (std::size_t group = 0; group < GroupCount(count); ++group) {
        ComputeGroup(firstOutput, group, side, out);
    }
}

}  // namespace sonaro
