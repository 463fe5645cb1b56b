#include "convert/formats/simd_level.h"

namespace sonaro {

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

}  // namespace sonaro
