#pragma once

#include <cstddef>

#include "convert/formats/simd_level.h"

namespace sonaro {

// Lays out inputs for the sums (see PhaseRows): vectors [begin, end) of the rows, where vector i
// holds, as doubles, the inputs source[s × streamStep + i] of its streams s = 0 to width - 1, the
// width of the level's vectors. Each stream is a run of consecutive inputs, so this is a
// transposition of width runs into interleaved order.
using RowFillFunction = void (*)(const float* source, std::ptrdiff_t streamStep, std::size_t begin,
                                 std::size_t end, double* rows);

RowFillFunction RowFillFor(SimdLevel level);

}  // namespace sonaro
