#pragma once

#include "convert/resampler/phase_sums.h"

namespace sonaro::bench {

// The multiply-adds per second that many threads do at most with the vectors of that level,
// measured by a loop of independent multiply-adds on registers only (no loads, no dependencies
// that wait) run on all of them at once. Threads that share a core's units show it here.
double MeasureFmaLimit(SimdLevel level, unsigned threads = 1);

}  // namespace sonaro::bench
