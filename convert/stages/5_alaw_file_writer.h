#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "convert/stages/stage.h"

namespace sonaro {

// The header of an A-law WAVE file of 8000 Hz, 8-bit, mono: RIFF, an 18-byte format chunk, a
// fact chunk with the sample count and the data chunk's header.
constexpr std::size_t kALawHeaderSize = 58;
std::array<std::uint8_t, kALawHeaderSize> ALawHeader(std::uint32_t samples);

// The last stage: writes output as the A-law WAVE file of the codes in input (one byte per
// sample, the whole file), then removes input. On failure it has shown one message and answers
// false, leaving both files for the caller to remove.
bool ALawToWaveFile(StageContext& context, BarShare bar, const std::string& output,
                    const std::string& input);

}  // namespace sonaro
