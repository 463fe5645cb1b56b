#include "convert/resampler/phase_sums.h"

#include <cstring>
#include <utility>

#include "convert/resampler/rate_table.h"

namespace sonaro {
namespace {

// The vector as it is, but GCC no longer knows where it came from: a vector loaded once for
// several multiply-adds stays in its register instead of being loaded again by each of them
// (clang keeps it there anyway).
template <typename Vector>
[[gnu::always_inline]] inline Vector InRegister(Vector v) {
#if !defined(__clang__)
    asm("" : "+v"(v));
#endif
    return v;
}

// The sums of one call, for every instruction set: kGroups × kGroupSize accumulators of Vector
// (a GCC vector of doubles) hold the lanes. Accumulator v sums taps[t] times the vector t places
// before its newest one, for t = 0, 1, ..., count - 1 in this order; its newest vector lies
// v × down after that of accumulator 0. A product of two floats is exact in a double, so a fused
// multiply-add (where the compiler uses one) gives the same sum as a multiply and an add. With
// kDown given, the distances are fixed at compile time (0 for a down known only at run time).
template <typename Vector, std::size_t kGroups, std::size_t kGroupSize, std::size_t kDown>
struct LaneSums {
    static constexpr std::size_t kWidth = sizeof(Vector) / sizeof(double);
    static constexpr std::size_t kVectors = kGroups * kGroupSize;

    const double* taps;
    std::size_t count;
    std::size_t down;
    const double* newest;  // the newest vector of accumulator 0
    Vector acc[kVectors] = {};

    std::ptrdiff_t Step() const { return static_cast<std::ptrdiff_t>(kDown != 0 ? kDown : down); }

    // Tap after tap, each tap broadcast and multiplied into every accumulator: one load of a
    // vector per multiply-add. Any count.
    [[gnu::always_inline]] inline void ByTap() {
        const std::ptrdiff_t step = Step();
        const double* p = newest;
        for (std::size_t t = 0; t < count; ++t, p -= kWidth) {
            const double tap = taps[t];
#pragma GCC unroll 32
            for (std::size_t v = 0; v < kVectors; ++v) {
                Vector x;
                std::memcpy(&x, p + static_cast<std::ptrdiff_t>(v * kWidth) * step, sizeof x);
                acc[v] += tap * x;
            }
        }
    }

    // Register blocking. Member a of a group of accumulators runs a × down taps ahead of the
    // group's first: at step k it takes tap k + a × down, and the vector it needs, k places before
    // the newest one of the group's first, is the same for the whole group. So each step loads
    // kGroupSize taps, which every group shares, and one vector per group, which every member
    // shares: kGroupSize + kGroups loads for kVectors multiply-adds on registers. Each
    // accumulator still meets its taps in their order. The steps run from k = -(kGroupSize - 1)
    // × down, where only the last members have started, to count - 1, where only the first are
    // left. Needs count >= (kGroupSize - 1) × down.
    [[gnu::always_inline]] inline void InGroups() {
        const std::ptrdiff_t step = Step();
        const auto length = static_cast<std::ptrdiff_t>(count);
        StartSteps(std::make_index_sequence<kGroupSize - 1>{}, step);
        Steps<0, kGroupSize - 1>(0, length - static_cast<std::ptrdiff_t>(kGroupSize - 1) * step);
        EndSteps(std::make_index_sequence<kGroupSize - 1>{}, step, length);
    }

    // The steps k = from, from + 1, ..., to - 1 for the members [kFirst, kLast] of every group.
    template <std::size_t kFirst, std::size_t kLast>
    [[gnu::always_inline]] inline void Steps(std::ptrdiff_t from, std::ptrdiff_t to) {
        const std::ptrdiff_t step = Step();
        const std::ptrdiff_t groupStep = static_cast<std::ptrdiff_t>(kGroupSize * kWidth) * step;
        for (std::ptrdiff_t k = from; k < to; ++k) {
            double tap[kLast - kFirst + 1];
#pragma GCC unroll 32
            for (std::size_t a = kFirst; a <= kLast; ++a) {
                tap[a - kFirst] = taps[k + static_cast<std::ptrdiff_t>(a) * step];
            }
            const double* p = newest - k * static_cast<std::ptrdiff_t>(kWidth);
#pragma GCC unroll 32
            for (std::size_t g = 0; g < kGroups; ++g) {
                Vector x;
                std::memcpy(&x, p + static_cast<std::ptrdiff_t>(g) * groupStep, sizeof x);
                if constexpr (kGroupSize > 1) {
                    x = InRegister(x);
                }
#pragma GCC unroll 32
                for (std::size_t a = kFirst; a <= kLast; ++a) {
                    acc[g * kGroupSize + a] += tap[a - kFirst] * x;
                }
            }
        }
    }

    // Before the middle: the down steps from -c × down need members c and up, for c =
    // kGroupSize - 1 down to 1.
    template <std::size_t... kC>
    [[gnu::always_inline]] inline void StartSteps(std::index_sequence<kC...>, std::ptrdiff_t step) {
        (Steps<kGroupSize - 1 - kC, kGroupSize - 1>(
             -static_cast<std::ptrdiff_t>(kGroupSize - 1 - kC) * step,
             -static_cast<std::ptrdiff_t>(kGroupSize - 2 - kC) * step),
         ...);
    }

    // After the middle: the down steps that members 0 to c still need, for c = kGroupSize - 2
    // down to 0.
    template <std::size_t... kC>
    [[gnu::always_inline]] inline void EndSteps(std::index_sequence<kC...>, std::ptrdiff_t step,
                                                std::ptrdiff_t length) {
        (Steps<0, kGroupSize - 2 - kC>(
             length - static_cast<std::ptrdiff_t>(kGroupSize - 1 - kC) * step,
             length - static_cast<std::ptrdiff_t>(kGroupSize - 2 - kC) * step),
         ...);
    }

    // Through memory: without AVX-512's instructions for shorter vectors, the lanes of the
    // upper sixteen registers are reached only as a whole, and an accumulator taken apart in
    // its register would have to live in one of the lower sixteen.
    [[gnu::always_inline]] inline void Store(LaneOutput output) const {
        double sums[kVectors][kWidth];
#pragma GCC unroll 32
        for (std::size_t v = 0; v < kVectors; ++v) {
            std::memcpy(sums[v], &acc[v], sizeof acc[v]);
        }
        for (std::size_t v = 0; v < kVectors; ++v) {
            for (std::size_t w = 0; w < kWidth; ++w) {
                output.out[v * output.vectorStride + w * output.streamStride] =
                    static_cast<float>(sums[v][w]);
            }
        }
    }
};

// Stepping one input back is stepping one vector back in memory, so the loads of either order
// run down the rows as one stream. Phases too short for the members' head start go tap by tap.
template <typename Vector, KernelShape kShape, std::size_t kDown>
[[gnu::always_inline]] inline void SumLanes(const double* taps, std::size_t count,
                                            const PhaseRows& rows, std::size_t row,
                                            std::size_t slot, LaneOutput output) {
    constexpr std::size_t kGroups = kShape.vectors / kShape.sharing;
    static_assert(kGroups * kShape.sharing == kShape.vectors);
    static_assert(sizeof(Vector) / sizeof(double) == kShape.width);
    const std::size_t down = kDown != 0 ? kDown : rows.down;
    LaneSums<Vector, kGroups, kShape.sharing, kDown> sums{
        taps, count, down, rows.values + (slot * down + row) * kShape.width};
    if (count >= (kShape.sharing - 1) * down) {
        sums.InGroups();
    } else {
        sums.ByTap();
    }
    sums.Store(output);
}

using Double2 = double __attribute__((vector_size(16)));
using Double4 = double __attribute__((vector_size(32)));
using Double8 = double __attribute__((vector_size(64)));

// One function for each instruction set and down (0: a down known at run time only), so that the
// distances are constants and the register allocator sees one kind of sum at a time.
template <std::size_t kDown>
void SumBaseline(const double* taps, std::size_t count, const PhaseRows& rows, std::size_t row,
                 std::size_t slot, LaneOutput output) {
    SumLanes<Double2, kBaselineShape, kDown>(taps, count, rows, row, slot, output);
}

template <std::size_t kDown>
[[gnu::target("avx2,fma")]] void SumAvx2(const double* taps, std::size_t count,
                                         const PhaseRows& rows, std::size_t row, std::size_t slot,
                                         LaneOutput output) {
    SumLanes<Double4, kAvx2Shape, kDown>(taps, count, rows, row, slot, output);
}

template <std::size_t kDown>
[[gnu::target("avx512f,avx2,fma")]] void SumAvx512(const double* taps, std::size_t count,
                                                   const PhaseRows& rows, std::size_t row,
                                                   std::size_t slot, LaneOutput output) {
    SumLanes<Double8, kAvx512Shape, kDown>(taps, count, rows, row, slot, output);
}

template <std::size_t kDown>
PhaseSumKernel KernelFor(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return {kAvx512Shape, &SumAvx512<kDown>};
        case SimdLevel::Avx2:
            return {kAvx2Shape, &SumAvx2<kDown>};
        case SimdLevel::Baseline:
            break;
    }
    return {kBaselineShape, &SumBaseline<kDown>};
}

// The kernel compiled for that down if it is one of the rate table's, else the one for any down.
template <std::size_t... kIndex>
PhaseSumKernel KernelFor(SimdLevel level, std::size_t down, std::index_sequence<kIndex...>) {
    PhaseSumKernel kernel = KernelFor<0>(level);
    ((down == kDownFactors.values[kIndex] ? (kernel = KernelFor<kDownFactors.values[kIndex]>(level))
                                          : kernel),
     ...);
    return kernel;
}

}  // namespace

PhaseSumKernel PhaseSumKernelFor(SimdLevel level, std::size_t down) {
    return KernelFor(level, down, std::make_index_sequence<kDownFactors.count>{});
}

}  // namespace sonaro
