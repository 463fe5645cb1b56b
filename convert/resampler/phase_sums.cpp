#include "convert/resampler/phase_sums.h"

#include <cstring>
#include <utility>

#include "convert/resampler/rate_table.h"

namespace sonaro {
namespace {

// The same loop for every instruction set: kVectors accumulators of Vector (a GCC vector of
// doubles) hold the lanes, so each step is one tap broadcast and kVectors multiply-adds. A
// product of two floats is exact in a double, so a fused multiply-add (where the compiler uses
// one) gives the same sum as a multiply and an add. Stepping one input back is stepping one
// vector back in memory, so the loads run down the rows as one stream. With kDown given, the
// vectors of one step lie at fixed distances (0 for a down known only at run time).
template <typename Vector, std::size_t kVectors, std::size_t kDown>
[[gnu::always_inline]] inline void SumLanes(const double* taps, std::size_t count,
                                            const PhaseRows& rows, std::size_t row,
                                            std::size_t slot, LaneOutput output) {
    constexpr std::size_t kWidth = sizeof(Vector) / sizeof(double);
    const std::size_t down = kDown != 0 ? kDown : rows.down;
    Vector acc[kVectors] = {};
    const double* p = rows.values + (slot * down + row) * kWidth;
    for (std::size_t j = 0; j < count; ++j, p -= kWidth) {
        const double tap = taps[j];
#pragma GCC unroll 16
        for (std::size_t v = 0; v < kVectors; ++v) {
            Vector x;
            std::memcpy(&x, p + v * down * kWidth, sizeof x);
            acc[v] += tap * x;
        }
    }
    for (std::size_t v = 0; v < kVectors; ++v) {
        for (std::size_t w = 0; w < kWidth; ++w) {
            output.out[v * output.vectorStride + w * output.streamStride] =
                static_cast<float>(acc[v][w]);
        }
    }
}

// The sums with each down factor of the rate table fixed at compile time; any other down is
// taken at run time.
template <typename Vector, std::size_t kVectors, std::size_t... kIndex>
[[gnu::always_inline]] inline void SumForDown(std::index_sequence<kIndex...>, const double* taps,
                                              std::size_t count, const PhaseRows& rows,
                                              std::size_t row, std::size_t slot,
                                              LaneOutput output) {
    const bool fixed = ((rows.down == kDownFactors.values[kIndex]
                             ? (SumLanes<Vector, kVectors, kDownFactors.values[kIndex]>(
                                    taps, count, rows, row, slot, output),
                                true)
                             : false) ||
                        ...);
    if (!fixed) {
        SumLanes<Vector, kVectors, 0>(taps, count, rows, row, slot, output);
    }
}

template <typename Vector, std::size_t kVectors>
[[gnu::always_inline]] inline void SumForDown(const double* taps, std::size_t count,
                                              const PhaseRows& rows, std::size_t row,
                                              std::size_t slot, LaneOutput output) {
    SumForDown<Vector, kVectors>(std::make_index_sequence<kDownFactors.count>{}, taps, count, rows,
                                 row, slot, output);
}

using Double2 = double __attribute__((vector_size(16)));
using Double4 = double __attribute__((vector_size(32)));
using Double8 = double __attribute__((vector_size(64)));

static_assert(sizeof(Double2) / sizeof(double) == kBaselineShape.width);
static_assert(sizeof(Double4) / sizeof(double) == kAvx2Shape.width);
static_assert(sizeof(Double8) / sizeof(double) == kAvx512Shape.width);

void SumBaseline(const double* taps, std::size_t count, const PhaseRows& rows, std::size_t row,
                 std::size_t slot, LaneOutput output) {
    SumForDown<Double2, kBaselineShape.vectors>(taps, count, rows, row, slot, output);
}

[[gnu::target("avx2,fma")]] void SumAvx2(const double* taps, std::size_t count,
                                         const PhaseRows& rows, std::size_t row, std::size_t slot,
                                         LaneOutput output) {
    SumForDown<Double4, kAvx2Shape.vectors>(taps, count, rows, row, slot, output);
}

[[gnu::target("avx512f,avx2,fma")]] void SumAvx512(const double* taps, std::size_t count,
                                                   const PhaseRows& rows, std::size_t row,
                                                   std::size_t slot, LaneOutput output) {
    SumForDown<Double8, kAvx512Shape.vectors>(taps, count, rows, row, slot, output);
}

}  // namespace

bool IsSupported(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return __builtin_cpu_supports("avx512f") && IsSupported(SimdLevel::Avx2);
        case SimdLevel::Avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        case SimdLevel::Baseline:
            break;
    }
    return true;
}

SimdLevel BestSimdLevel() {
    return SupportedSimdLevels().back();
}

std::vector<SimdLevel> SupportedSimdLevels() {
    std::vector<SimdLevel> levels;
    for (const SimdLevel level : {SimdLevel::Baseline, SimdLevel::Avx2, SimdLevel::Avx512}) {
        if (IsSupported(level)) {
            levels.push_back(level);
        }
    }
    return levels;
}

std::string_view SimdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return "AVX-512";
        case SimdLevel::Avx2:
            return "AVX2";
        case SimdLevel::Baseline:
            break;
    }
    return "SSE2";
}

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
