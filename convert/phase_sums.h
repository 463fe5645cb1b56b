#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace sonaro {

// The vector instructions the sums of the resampler may use. The widest one the processor and
// the system support is chosen at run time; the others stay available for tests and benchmarks.
enum class SimdLevel { Baseline, Avx2, Avx512 };

SimdLevel BestSimdLevel();
bool IsSupported(SimdLevel level);
// The supported levels, the baseline first.
std::vector<SimdLevel> SupportedSimdLevels();
std::string_view SimdLevelName(SimdLevel level);

// The input of a block of outputs, split into down rows by index modulo down and held as doubles:
// element t of row c is input first + t * down + c. The inputs of outputs of one filter phase,
// which lie down apart, are then neighbours in a row.
struct PhaseRows {
    const double* values;
    std::size_t rowLength;
    std::size_t down;
};

// Where the outputs of one call go: lane s is stored at out[s * stride].
struct LaneOutput {
    float* out;
    std::size_t stride;
};

// Sums of lanes neighbouring outputs of one phase. Lane s sums taps[j] times the input j places
// before its newest one, for j from 0 to count - 1 in that order, from 0.0 in double precision,
// and is rounded to float. Lane 0's newest input is element column of row row; lane s's lies s
// elements on. Stepping one input back moves up a row, and from row 0 to the last row one
// element back.
using PhaseSumFunction = void (*)(const double* taps, std::size_t count, const PhaseRows& rows,
                                  std::size_t row, std::size_t column, LaneOutput output);

struct PhaseSumKernel {
    std::size_t lanes;
    PhaseSumFunction sum;
};

PhaseSumKernel PhaseSumKernelFor(SimdLevel level);

}  // namespace sonaro
