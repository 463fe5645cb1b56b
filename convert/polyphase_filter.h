#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/filter_tables.h"

namespace sonaro {

// The samples of the input that are at hand: indices [start, end) of the whole input, which is
// count samples long. Outside [0, count) the input counts as zeros.
struct SampleWindow {
    const float* samples;
    std::int64_t start;
    std::int64_t end;
    std::int64_t count;
};

// Rational resampling by up / down through one FIR filter at up times the input rate. Output m
// is the filtered, up-sampled input at filter position k = m * down:
//     y[m] = sum of h[k - i * up] * x[i] over the inputs i with 0 <= k - i * up < N,
// summed in double precision from the newest input down, starting at 0.0, rounded to float.
// Outputs are made in blocks: the outputs sharing a filter phase are computed side by side, each
// sum still in exactly that order, so every output is the same to the bit as one made alone.
class PolyphaseFilter {
  public:
    static constexpr std::size_t kLanes = 64;  // outputs of one phase computed together

    // Throws std::bad_alloc when its working storage cannot be had.
    PolyphaseFilter(const FilterTable& table, std::uint32_t up, std::uint32_t down);

    std::uint32_t up() const { return up_; }
    std::uint32_t down() const { return down_; }
    std::uint32_t taps() const { return static_cast<std::uint32_t>(taps_); }
    // Outputs per block: kLanes of each of the up phases.
    std::uint64_t blockSize() const { return kLanes * up_; }

    // The input indices [first, last] that the block beginning at output firstOutput (a multiple
    // of blockSize) reaches, before clipping to the input.
    std::int64_t FirstInput(std::uint64_t firstOutput) const;
    std::int64_t LastInput(std::uint64_t firstOutput) const;

    // Computes the block of outputs beginning at firstOutput into out (blockSize values). The
    // window must hold every input index of [FirstInput, LastInput] that lies inside the input.
    void ComputeBlock(std::uint64_t firstOutput, const SampleWindow& window, float* out);

  private:
    // Copies the inputs [first, last] into rows by index modulo down, as doubles, so that the
    // inputs of one phase's outputs (which lie down apart) sit side by side.
    void Deinterleave(std::int64_t first, std::int64_t last, const SampleWindow& window);

    std::uint32_t up_;
    std::uint32_t down_;
    std::size_t taps_;
    std::size_t longestPhase_;
    std::vector<double> phaseTaps_;        // phase r: h[r], h[r + up], ... from phaseStart_[r]
    std::vector<std::size_t> phaseStart_;  // up + 1 offsets into phaseTaps_
    std::size_t rowLength_;                // values per row of rows_
    std::vector<double> rows_;             // down rows: row c holds inputs first + t * down + c
    std::vector<double> sums_;             // kLanes sums of one phase
};

}  // namespace sonaro
