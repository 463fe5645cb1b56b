#pragma once

#include "convert/phase_sums.h"

namespace sonaro::bench {

// The multiply-adds per second one core does at most with the vectors of that level, measured
// by a loop of independent multiply-adds on registers only (no loads, no dependencies that wait).
double MeasureFmaLimit(SimdLevel level);

}  // namespace sonaro::bench
