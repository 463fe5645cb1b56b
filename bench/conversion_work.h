#pragma once

#include <cstdint>
#include <string>

namespace sonaro::bench {

// One input of a conversion, as the benchmarks describe it: its rate, channels, frames and
// whether it is Microsoft ADPCM (else PCM).
struct InputSpec {
    std::uint32_t rate;
    unsigned channels;
    std::uint64_t frames;
    bool adpcm;
};

// "RATE:CHANNELS:FRAMES:ENCODING", the encoding pcm or adpcm. Throws std::invalid_argument for
// anything else, and for a rate the resampler has no ratio for.
InputSpec ParseInputSpec(const std::string& text);

// What a conversion of that input does besides reading it and writing the result: the
// resampler's outputs and multiply-adds (every output takes its whole phase of the filter), and
// the bytes of the temporary files written and read: the decoded 16-bit samples of an ADPCM
// input, the mono floats, the resampled floats (read twice by the normaliser), the A-law codes
// and the A-law file.
struct ConversionWork {
    std::uint64_t outputs = 0;
    std::uint64_t multiplyAdds = 0;
    std::uint64_t bytesWritten = 0;
    std::uint64_t bytesRead = 0;
};
ConversionWork WorkOf(const InputSpec& input);

}  // namespace sonaro::bench
