#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/resampler/filter_tables.h"
#include "convert/resampler/phase_rows.h"
#include "convert/resampler/phase_sums.h"

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
// Outputs are made in spans: the outputs sharing a filter phase are computed side by side, a
// group of lanes at a time, each sum still in exactly that order, so every output is the same to
// the bit as one made alone, whatever the instruction set and however many spans are computed at
// once (threads work on spans of their own: a span laid out by one core and summed by another
// would move its rows between the cores' caches).
//
// How a span's inputs lie in memory (PhaseRows), worked for down = 2, up = 1, vectors of two
// doubles (two streams) and three columns per stream, inputs counted from the span's first:
//   - row c holds the inputs c, c + 2, c + 4, ...: the inputs of the outputs of one phase, which
//     lie down apart, are neighbours in a row;
//   - stream 0 starts at a row's first element, stream 1 three columns (six inputs) later; slot
//     k is the k-th element of each stream;
//   - vector (slot k, row c) holds input 2k + c for stream 0 and 2k + c + 6 for stream 1, and
//     lies at vector k * 2 + c:
//         memory   [0 6] [1 7] [2 8] [3 9] [4 10] [5 11] [6 12] ...
//         (k, c)   (0,0) (0,1) (1,0) (1,1) (2,0)  (2,1)  (3,0)
// One input back is one vector back. Output m has its newest input at 2m: its sum runs over the
// vectors 2m, 2m - 1, ..., and the same steps give output m + 3 in stream 1's lane. A kernel
// holds several such vectors of sums at once, down vectors apart (outputs m, m + 1, ...): its
// lanes are width × vectors outputs, and a span is a whole number of lanes (kLaneUnit columns).
class PolyphaseFilter {
  public:
    // A span fits in an input window of windowSamples. sides is the number of row buffers: one
    // for each span computed at the same time (one per thread). Throws std::bad_alloc when its
    // working storage cannot be had, std::logic_error when the window is too small for
    // kLaneUnit columns.
    PolyphaseFilter(const FilterTable& table, std::uint32_t up, std::uint32_t down,
                    std::size_t windowSamples, unsigned sides = 1,
                    SimdLevel level = BestSimdLevel());
    // The rows point into the filter's own storage.
    PolyphaseFilter(const PolyphaseFilter&) = delete;
    PolyphaseFilter& operator=(const PolyphaseFilter&) = delete;

    std::uint32_t up() const { return up_; }
    std::uint32_t down() const { return down_; }
    std::uint32_t taps() const { return static_cast<std::uint32_t>(taps_); }
    unsigned sides() const { return sides_; }
    // Outputs per span: columns of each of the up phases.
    std::uint64_t spanSize() const { return std::uint64_t{columns_} * up_; }

    // The input indices [first, last] that the span beginning at output firstOutput (a multiple
    // of spanSize) reaches, before clipping to the input.
    std::int64_t FirstInput(std::uint64_t firstOutput) const;
    std::int64_t LastInput(std::uint64_t firstOutput) const;

    // Computes outputs [firstOutput, firstOutput + count) of the span beginning at firstOutput (a
    // multiple of spanSize; count at most spanSize) into out, on the calling thread: lays out its
    // inputs in the rows of that side, then sums them. The window must hold every input index of
    // [FirstInput, LastInput] that lies inside the input. Spans on different sides may be
    // computed at the same time; a span uses no memory that another side does, so that each
    // thread works in its own caches.
    void ComputeSpan(std::uint64_t firstOutput, std::uint64_t count, const SampleWindow& window,
                     float* out, unsigned side);

  private:
    // The vectors of a side laid out in one piece.
    static constexpr std::size_t kChunkVectors = 1024;

    // Lays out chunk `chunk` (of ChunkCount()) of a side with the inputs of the span beginning at
    // output firstOutput.
    void PrepareChunk(std::uint64_t firstOutput, std::size_t chunk, const SampleWindow& window,
                      unsigned side);
    std::size_t ChunkCount() const { return (sideVectors_ + kChunkVectors - 1) / kChunkVectors; }
    // The groups that make the first count outputs of a span.
    std::size_t GroupCount(std::uint64_t count) const;
    // Computes the outputs of one group of the span laid out on that side into out, which has
    // room for spanSize values (group g writes some of them; the groups together the first count).
    void ComputeGroup(std::uint64_t firstOutput, std::size_t group, unsigned side,
                      float* out) const;

    std::uint32_t up_;
    std::uint32_t down_;
    unsigned sides_;
    std::size_t taps_;
    std::size_t longestPhase_;
    PhaseSumKernel kernel_;
    RowFillFunction fill_;
    std::size_t columns_;                  // outputs of each phase per span
    std::vector<double> phaseTaps_;        // phase r: h[r], h[r + up], ... from phaseStart_[r]
    std::vector<std::size_t> phaseStart_;  // up + 1 offsets into phaseTaps_
    std::size_t streamColumns_;            // outputs of each phase per stream
    std::size_t slots_;                    // elements per row of each stream
    std::vector<double> storage_;          // the rows of each side and the room to align them
    std::size_t sideVectors_;              // vectors of each side (slots_ × down)
    std::size_t sideSize_;                 // doubles of each side, rounded up to align the next
    double* rows_ = nullptr;               // the down rows of side 0, aligned (see PhaseRows),
                                           // then those of the other sides
};

}  // namespace sonaro
