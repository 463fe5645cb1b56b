#pragma once

#include <cstdint>
#include <string>

#include "convert/stages/stage.h"

namespace sonaro {

// The interleaved PCM a mix reads: where in which file, and its shape. Channels 1 is one
// channel and any other value two; bitsPerSample 8 is 8-bit and any other value 16-bit.
struct PcmSource {
    std::string path;
    std::uint64_t offset;
    std::uint8_t channels;
    unsigned bitsPerSample;
};

// The stage every conversion runs first or after its decoder: mixes the frames of the source
// into one channel of 32-bit little-endian floats in output, one value per frame and not
// rescaled: 8-bit samples are unsigned (silence 128) and give -128 to 127, 16-bit samples are
// signed and give -32768 to 32767; two channels are averaged. frames is the count the source
// should hold; fewer are mixed when the file holds fewer, and frames is then set to those. On
// failure it has shown one message and answers false; the source is never removed.
bool PcmToMonoFloats(StageContext& context, BarShare bar, const PcmSource& source,
                     const std::string& output, std::uint32_t& frames);

}  // namespace sonaro
