#pragma once

#include <cstddef>
#include <numeric>

#include "convert/formats/simd_level.h"

namespace sonaro {

// The input of a span of outputs as the sums read it, in doubles. It is split into down rows by
// index modulo down (element k of row c is input first + k * down + c), so that the inputs of
// outputs of one filter phase, which lie down apart, are neighbours in a row. Each row is cut into
// width streams of consecutive elements, and the streams are interleaved: a vector of width
// doubles holds element k of every stream, so one aligned load gives one element to each of width
// outputs. The vectors are stored element by element, and within an element row by row: vector
// (row c, element k) is vector k * down + c, and one input back is always one vector back.
struct PhaseRows {
    const double* values;
    std::size_t down;
};

// Where the outputs of one call go: vector v of stream s is stored at
// out[v * vectorStride + s * streamStride].
struct LaneOutput {
    float* out;
    std::size_t vectorStride;
    std::size_t streamStride;
};

// Sums of width x vectors outputs of one phase. Output (v, s) sums taps[j] times the input j
// places before its newest one, for j from 0 to count - 1 in that order, from 0.0 in double
// precision, and is rounded to float. The newest input of output (0, s) is stream s of element
// `slot` of row `row`; that of output (v, s) lies v elements on.
using PhaseSumFunction = void (*)(const double* taps, std::size_t count, const PhaseRows& rows,
                                  std::size_t row, std::size_t slot, LaneOutput output);

// The shape of a kernel's sums: doubles per vector (the streams), vectors of sums held at once
// (enough independent sums to keep the multiply-add units busy, few enough to stay in the
// registers with the taps and inputs they share: 16 of SSE2 and AVX2, 32 of AVX-512), and how
// many consecutive ones share each loaded input vector (each step then loads that many taps,
// which all groups share). Each holds width × vectors lanes of outputs.
struct KernelShape {
    std::size_t width;
    std::size_t vectors;
    std::size_t sharing;

    constexpr std::size_t lanes() const { return width * vectors; }
};
inline constexpr KernelShape kBaselineShape{2, 12, 1};
inline constexpr KernelShape kAvx2Shape{4, 12, 2};
inline constexpr KernelShape kAvx512Shape{8, 24, 4};

// The fewest outputs that are a whole number of lanes of every kernel. A span of the resampler
// holds a multiple of them, so that its outputs are the same whichever kernel runs.
inline constexpr std::size_t kLaneUnit =
    std::lcm(std::lcm(kBaselineShape.lanes(), kAvx2Shape.lanes()), kAvx512Shape.lanes());

struct PhaseSumKernel {
    KernelShape shape;
    PhaseSumFunction sum;
};

// The kernel of that instruction set for sums whose newest inputs lie down apart (see PhaseRows).
PhaseSumKernel PhaseSumKernelFor(SimdLevel level, std::size_t down);

}  // namespace sonaro
