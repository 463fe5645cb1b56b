#pragma once

#include <cstdint>
#include <string>

#include "convert/stages/stage_context.h"

namespace sonaro {

// Mixes frames frames of interleaved PCM, read from input at inputOffset, into one channel of
// 32-bit little-endian floats in output, one value per frame and not rescaled: 8-bit samples are
// unsigned (silence 128) and give -128 to 127, 16-bit samples are signed and give -32768 to
// 32767; two channels are averaged. Channels 1 is one channel and any other value two;
// bitsPerSample 8 is 8-bit and any other value 16-bit. On failure it has shown one message and
// answers false; the input is never removed.
bool MixToMonoFloat(StageContext& context, const std::string& output, const std::string& input,
                    std::uint64_t inputOffset, std::uint32_t frames, std::uint8_t channels,
                    unsigned bitsPerSample);

}  // namespace sonaro
