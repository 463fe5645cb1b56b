#include "bench/conversion_work.h"

#include <stdexcept>

#include "convert/resampler/filter_tables.h"
#include "convert/resampler/rate_table.h"
#include "convert/stages/5_alaw_file_writer.h"

namespace sonaro::bench {
namespace {

std::uint64_t Field(const std::string& text, std::size_t& at) {
    const std::size_t end = text.find(':', at);
    const std::string field = text.substr(at, end == std::string::npos ? end : end - at);
    if (field.empty() || field.find_first_not_of("0123456789") != std::string::npos) {
        throw std::invalid_argument("not RATE:CHANNELS:FRAMES:ENCODING: " + text);
    }
    at = end == std::string::npos ? text.size() : end + 1;
    return std::stoull(field);
}

// The multiply-adds of the first `outputs` outputs: output m takes the phase (m × down) mod up,
// of ceil((taps - phase) / up) taps; up outputs in a row take every phase once, the whole filter.
std::uint64_t MultiplyAdds(const RateRatio& ratio, std::uint64_t taps, std::uint64_t outputs) {
    std::uint64_t sum = outputs / ratio.up * taps;
    for (std::uint64_t m = outputs / ratio.up * ratio.up; m < outputs; ++m) {
        const std::uint64_t phase = m * ratio.down % ratio.up;
        sum += (taps - phase + ratio.up - 1) / ratio.up;
    }
    return sum;
}

}  // namespace

InputSpec ParseInputSpec(const std::string& text) {
    std::size_t at = 0;
    InputSpec input{};
    input.rate = static_cast<std::uint32_t>(Field(text, at));
    input.channels = static_cast<unsigned>(Field(text, at));
    input.frames = Field(text, at);
    const std::string encoding = text.substr(at);
    if ((encoding != "pcm" && encoding != "adpcm") || input.channels == 0 || input.frames == 0 ||
        FindRateRatio(input.rate) == nullptr) {
        throw std::invalid_argument("not RATE:CHANNELS:FRAMES:ENCODING: " + text);
    }
    input.adpcm = encoding == "adpcm";
    return input;
}

ConversionWork WorkOf(const InputSpec& input) {
    const RateRatio& ratio = *FindRateRatio(input.rate);
    ConversionWork work;
    if (ratio.Copied()) {
        work.outputs = input.frames;
    } else {
        const std::uint64_t taps = FindFilterTable(ratio.filterRate)->size;
        work.outputs = (taps + ratio.up * (input.frames - 1) + ratio.down - 1) / ratio.down;
        work.multiplyAdds = MultiplyAdds(ratio, taps, work.outputs);
    }
    const std::uint64_t decoded = input.adpcm ? 2 * input.channels * input.frames : 0;
    const std::uint64_t floats = 4 * input.frames;
    const std::uint64_t resampled = 4 * work.outputs;
    const std::uint64_t codes = work.outputs;
    work.bytesWritten = decoded + floats + resampled + codes + codes + kALawHeaderSize;
    work.bytesRead = decoded + floats + 2 * resampled + codes;
    return work;
}

}  // namespace sonaro::bench
