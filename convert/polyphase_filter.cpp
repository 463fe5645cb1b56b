#include "convert/polyphase_filter.h"

#include <algorithm>
#include <stdexcept>

namespace sonaro {
namespace {

constexpr std::size_t kLanes = PolyphaseFilter::kLanes;

// The sums of one phase for kLanes outputs. Term j of lane s multiplies taps[j] by the input
// that lies j samples before the lane's newest one; those inputs, for all lanes at once, are
// kLanes neighbours in one row of the deinterleaved input, and stepping one input back moves up
// one row (from row 0 to the last row, one place back). Each lane's sum runs over j in order.
// A product of two floats is exact in a double, so a fused multiply-add gives the same sum; the
// compiler may use one (this file is built with contraction on), and a clone for wider vectors
// is chosen at run time.
[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]] void SumPhase(
    const double* taps, std::size_t count, const double* rows, std::size_t rowLength,
    std::size_t down, std::size_t row, std::size_t column, double* sums) {
    double acc[kLanes] = {};
    const double* p = rows + row * rowLength + column;
    const std::ptrdiff_t wrap =
        static_cast<std::ptrdiff_t>((down - 1) * rowLength) - 1;  // row 0 to the last row
    const auto stride = static_cast<std::ptrdiff_t>(rowLength);
    for (std::size_t j = 0; j < count; ++j) {
        const double tap = taps[j];
#pragma GCC unroll 64
        for (std::size_t s = 0; s < kLanes; ++s) {
            acc[s] += tap * p[s];
        }
        if (row == 0) {
            row = down - 1;
            p += wrap;
        } else {
            --row;
            p -= stride;
        }
    }
    std::copy(acc, acc + kLanes, sums);
}

}  // namespace

PolyphaseFilter::PolyphaseFilter(const FilterTable& table, std::uint32_t up, std::uint32_t down)
    : up_(up), down_(down), taps_(table.size), longestPhase_((taps_ + up - 1) / up) {
    // Phase r holds h[r], h[r + up], ...: the taps met by outputs whose filter position is r
    // modulo up, in the order their sums use them.
    for (std::uint32_t r = 0; r < up; ++r) {
        phaseStart_.push_back(phaseTaps_.size());
        for (std::size_t t = r; t < taps_; t += up) {
            phaseTaps_.push_back(table.taps[t]);
        }
    }
    phaseStart_.push_back(phaseTaps_.size());
    rowLength_ = static_cast<std::size_t>(LastInput(0) - FirstInput(0)) / down_ + 1;
    rows_.resize(rowLength_ * down_);
    sums_.resize(kLanes);
}

std::int64_t PolyphaseFilter::FirstInput(std::uint64_t firstOutput) const {
    const auto newest = static_cast<std::int64_t>(firstOutput * down_ / up_);
    return newest - static_cast<std::int64_t>(longestPhase_ - 1);
}

std::int64_t PolyphaseFilter::LastInput(std::uint64_t firstOutput) const {
    const auto newest = static_cast<std::int64_t>(firstOutput * down_ / up_);
    return newest + (up_ - 1) * down_ / up_ + static_cast<std::int64_t>((kLanes - 1) * down_);
}

void PolyphaseFilter::Deinterleave(std::int64_t first, std::int64_t last,
                                   const SampleWindow& window) {
    std::fill(rows_.begin(), rows_.end(), 0.0);
    const std::int64_t from = std::max<std::int64_t>(first, 0);
    const std::int64_t to = std::min(last, window.count - 1);
    if (from > to) {
        return;
    }
    if (from < window.start || to >= window.end) {
        throw std::logic_error("input window does not cover the block");
    }
    const float* source = window.samples + (from - window.start);
    for (std::int64_t i = from; i <= to; ++i) {
        const auto d = static_cast<std::size_t>(i - first);
        rows_[(d % down_) * rowLength_ + d / down_] = *source++;
    }
}

void PolyphaseFilter::ComputeBlock(std::uint64_t firstOutput, const SampleWindow& window,
                                   float* out) {
    const std::int64_t first = FirstInput(firstOutput);
    Deinterleave(first, LastInput(firstOutput), window);
    const auto newest = static_cast<std::int64_t>(firstOutput * down_ / up_);
    for (std::uint32_t u = 0; u < up_; ++u) {
        const std::uint32_t phase = u * down_ % up_;
        const auto offset = static_cast<std::size_t>(newest + u * down_ / up_ - first);
        const std::size_t start = phaseStart_[phase];
        SumPhase(phaseTaps_.data() + start, phaseStart_[phase + 1] - start, rows_.data(),
                 rowLength_, down_, offset % down_, offset / down_, sums_.data());
        for (std::size_t s = 0; s < kLanes; ++s) {
            out[u + s * up_] = static_cast<float>(sums_[s]);
        }
    }
}

}  // namespace sonaro
