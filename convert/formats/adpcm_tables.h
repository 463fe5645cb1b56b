#pragma once

#include <array>
#include <cstdint>

namespace sonaro {

// The fixed tables of Microsoft ADPCM: the seven standard predictor coefficient pairs, indexed by
// a block's predictor index, and the step adaptation factors (in 256ths), indexed by the 4-bit
// code.
inline constexpr unsigned kAdpcmPredictors = 7;
inline constexpr std::array<std::int16_t, kAdpcmPredictors> kAdpcmFirstCoefficient = {
    256, 512, 0, 192, 240, 460, 392};
inline constexpr std::array<std::int16_t, kAdpcmPredictors> kAdpcmSecondCoefficient = {
    0, -256, 0, 64, 0, -208, -232};
inline constexpr std::array<std::int16_t, 16> kAdpcmAdaptation = {
    230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
// A step never adapts below this.
inline constexpr int kAdpcmMinimumStep = 16;

}  // namespace sonaro
