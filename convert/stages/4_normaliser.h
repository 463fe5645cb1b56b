#pragma once

#include <cstdint>
#include <string>

#include "convert/stages/stage_context.h"

namespace sonaro {

// The volume factor of a volume level (0 to 10): the level times 0.1, in single precision.
float VolumeFactor(int volumeLevel);

// The fade factor of sample j of block i (blocks of 2000 samples), remaining samples from it to
// the end of the file (1 for the last sample): a linear fade-in over the first 400 samples of
// the first block and a fade-out over the last 399 samples, which the first block never gets.
double FadeFactor(std::uint64_t block, std::uint32_t indexInBlock, std::uint64_t remaining);

// The 16-bit value of one sample: fade × ((x ÷ peak) × volume) × 32767, rounded half away from
// zero. 0 for a zero peak; never beyond ±32767, and 0 for a value that is not a number.
std::int16_t ScaleSample(float sample, float peak, float volume, double fade);

// Reads count floats from input, scales them so that the largest magnitude becomes full scale
// times the volume level's factor, fades both ends, and writes one A-law code per sample to
// output; then removes input. On failure it has shown one message and answers false, leaving
// both files for the caller to remove.
bool NormaliseAndEncode(StageContext& context, const std::string& output, const std::string& input,
                        std::uint32_t count, int volumeLevel);

}  // namespace sonaro
