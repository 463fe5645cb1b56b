#include "convert/resampler/phase_sums.h"

#include <cstring>
#include <utility>

#include "convert/resampler/rate_table.h"

namespace sonaro {
namespace {

// The sums of one call, for every instruction set: kVectors accumulators of Vector (a GCC vector
// of doubles) hold the lanes. Accumulator v sums taps[t] times the vector t places before its
// newest one, for t = 0, 1, ..., count - 1 in this order; its newest vector lies v × down after
// that of accumulator 0. A product of two floats is exact in a double, so a fused multiply-add
// (where the compiler uses one) gives the same sum as a multiply and an add. With kDown given,
// the distances are fixed at compile time (0 for a down known only at run time).
template <typename Vector, std::size_t kVectors, std::size_t kDown>
struct LaneSums {
    static constexpr std::size_t kWidth = sizeof(Vector) / sizeof(double);

    const double* taps;
    std::size_t count;
    std::size_t down;
    const double* newest;  // the newest vector of accumulator 0
    Vector acc[kVectors] = {};

    // Tap after tap, each tap broadcast and multiplied into every accumulator: one load of a
    // vector per multiply-add.
    [[gnu::always_inline]] inline void ByTap() {
        const double* p = newest;
        for (std::size_t t = 0; t < count; ++t, p -= kWidth) {
            const double tap = taps[t];
#pragma GCC unroll 16
            for (std::size_t v = 0; v < kVectors; ++v) {
                Vector x;
                std::memcpy(&x, p + v * down * kWidth, sizeof x);
                acc[v] += tap * x;
            }
        }
    }

    // Vector after vector, from the newest any accumulator needs to the oldest: each vector is
    // loaded once and multiplied into every accumulator that needs it, by the tap of each (one
    // broadcast load of a double per multiply-add). Every accumulator still meets its taps in
    // their order. The vector d places after accumulator 0's newest one is needed by the
    // accumulators v with 0 <= v × down - d < count, with the tap v × down - d: at the start
    // (d > 0) by the last ones only, in the middle by all, at the end by the first ones only,
    // one fewer each down vectors. Needs count > (kVectors - 1) × down.
    [[gnu::always_inline]] inline void ByVector() {
        const auto span = static_cast<std::ptrdiff_t>(down);
        const auto length = static_cast<std::ptrdiff_t>(count);
        StartSteps(std::make_index_sequence<kVectors - 1>{}, span);
        Steps<0, kVectors - 1>(0, (kVectors - 1) * span - length);
        EndSteps(std::make_index_sequence<kVectors - 1>{}, span, length);
    }

    // The vectors d = from, from - 1, ..., to + 1 for the accumulators [kFirst, kLast].
    template <std::size_t kFirst, std::size_t kLast>
    [[gnu::always_inline]] inline void Steps(std::ptrdiff_t from, std::ptrdiff_t to) {
        const std::ptrdiff_t step =
            kDown != 0 ? static_cast<std::ptrdiff_t>(kDown) : static_cast<std::ptrdiff_t>(down);
        for (std::ptrdiff_t d = from; d > to; --d) {
            Vector x;
            std::memcpy(&x, newest + d * static_cast<std::ptrdiff_t>(kWidth), sizeof x);
#pragma GCC unroll 16
            for (std::size_t v = kFirst; v <= kLast; ++v) {
                acc[v] += taps[static_cast<std::ptrdiff_t>(v) * step - d] * x;
            }
        }
    }

    // Before the middle: the down vectors below c × down need accumulators c and up, for c =
    // kVectors - 1 down to 1.
    template <std::size_t... kC>
    [[gnu::always_inline]] inline void StartSteps(std::index_sequence<kC...>, std::ptrdiff_t span) {
        (Steps<kVectors - 1 - kC, kVectors - 1>(
             static_cast<std::ptrdiff_t>(kVectors - 1 - kC) * span,
             static_cast<std::ptrdiff_t>(kVectors - 2 - kC) * span),
         ...);
    }

    // After the middle: the down vectors that accumulators 0 to c still need, for c =
    // kVectors - 2 down to 0.
    template <std::size_t... kC>
    [[gnu::always_inline]] inline void EndSteps(std::index_sequence<kC...>, std::ptrdiff_t span,
                                                std::ptrdiff_t length) {
        (Steps<0, kVectors - 2 - kC>(
             static_cast<std::ptrdiff_t>(kVectors - 1 - kC) * span - length,
             static_cast<std::ptrdiff_t>(kVectors - 2 - kC) * span - length),
         ...);
    }

    [[gnu::always_inline]] inline void Store(LaneOutput output) const {
        for (std::size_t v = 0; v < kVectors; ++v) {
            for (std::size_t w = 0; w < kWidth; ++w) {
                output.out[v * output.vectorStride + w * output.streamStride] =
                    static_cast<float>(acc[v][w]);
            }
        }
    }
};

// Stepping one input back is stepping one vector back in memory, so the loads of either order
// run down the rows as one stream. Vector after vector needs fewer loads of whole vectors; it is
// used where the instruction set broadcasts a double as part of a multiply-add (AVX-512) and the
// phase is long enough. Elsewhere the broadcast would be an instruction of its own before each
// multiply-add, and tap after tap does as well.
template <typename Vector, std::size_t kVectors, std::size_t kDown, bool kByVector>
[[gnu::always_inline]] inline void SumLanes(const double* taps, std::size_t count,
                                            const PhaseRows& rows, std::size_t row,
                                            std::size_t slot, LaneOutput output) {
    const std::size_t down = kDown != 0 ? kDown : rows.down;
    constexpr std::size_t kWidth = sizeof(Vector) / sizeof(double);
    LaneSums<Vector, kVectors, kDown> sums{taps, count, down,
                                           rows.values + (slot * down + row) * kWidth};
    if (kByVector && count > (kVectors - 1) * down) {
        sums.ByVector();
    } else {
        sums.ByTap();
    }
    sums.Store(output);
}

// The sums with each down factor of the rate table fixed at compile time; any other down is
// taken at run time.
template <typename Vector, std::size_t kVectors, bool kByVector, std::size_t... kIndex>
[[gnu::always_inline]] inline void SumForDown(std::index_sequence<kIndex...>, const double* taps,
                                              std::size_t count, const PhaseRows& rows,
                                              std::size_t row, std::size_t slot,
                                              LaneOutput output) {
    const bool fixed = ((rows.down == kDownFactors.values[kIndex]
                             ? (SumLanes<Vector, kVectors, kDownFactors.values[kIndex], kByVector>(
                                    taps, count, rows, row, slot, output),
                                true)
                             : false) ||
                        ...);
    if (!fixed) {
        SumLanes<Vector, kVectors, 0, kByVector>(taps, count, rows, row, slot, output);
    }
}

template <typename Vector, std::size_t kVectors, bool kByVector>
[[gnu::always_inline]] inline void SumForDown(const double* taps, std::size_t count,
                                              const PhaseRows& rows, std::size_t row,
                                              std::size_t slot, LaneOutput output) {
    SumForDown<Vector, kVectors, kByVector>(std::make_index_sequence<kDownFactors.count>{}, taps,
                                            count, rows, row, slot, output);
}

using Double2 = double __attribute__((vector_size(16)));
using Double4 = double __attribute__((vector_size(32)));
using Double8 = double __attribute__((vector_size(64)));

static_assert(sizeof(Double2) / sizeof(double) == kBaselineShape.width);
static_assert(sizeof(Double4) / sizeof(double) == kAvx2Shape.width);
static_assert(sizeof(Double8) / sizeof(double) == kAvx512Shape.width);

void SumBaseline(const double* taps, std::size_t count, const PhaseRows& rows, std::size_t row,
                 std::size_t slot, LaneOutput output) {
    SumForDown<Double2, kBaselineShape.vectors, false>(taps, count, rows, row, slot, output);
}

[[gnu::target("avx2,fma")]] void SumAvx2(const double* taps, std::size_t count,
                                         const PhaseRows& rows, std::size_t row, std::size_t slot,
                                         LaneOutput output) {
    SumForDown<Double4, kAvx2Shape.vectors, false>(taps, count, rows, row, slot, output);
}

[[gnu::target("avx512f,avx2,fma")]] void SumAvx512(const double* taps, std::size_t count,
                                                   const PhaseRows& rows, std::size_t row,
                                                   std::size_t slot, LaneOutput output) {
    SumForDown<Double8, kAvx512Shape.vectors, true>(taps, count, rows, row, slot, output);
}

}  // namespace

PhaseSumKernel PhaseSumKernelFor(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return {kAvx512Shape, &SumAvx512};
        case SimdLevel::Avx2:
            return {kAvx2Shape, &SumAvx2};
        case SimdLevel::Baseline:
            break;
    }
    return {kBaselineShape, &SumBaseline};
}

}  // namespace sonaro
