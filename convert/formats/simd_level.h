#pragma once

#include <string_view>
#include <vector>

namespace sonaro {

// The vector instructions the inner loops (the resampler's sums, the ADPCM decoder) may use. The
// widest one the processor and the system support is chosen at run time; the others stay
// available for tests and benchmarks.
enum class SimdLevel { Baseline, Avx2, Avx512 };

SimdLevel BestSimdLevel();
bool IsSupported(SimdLevel level);
// The supported levels, the baseline first.
std::vector<SimdLevel> SupportedSimdLevels();
std::string_view SimdLevelName(SimdLevel level);

}  // namespace sonaro
