#include "tests/support/wav_builder.h"

#include <cmath>
#include <numbers>

namespace sonaro::test {

void AppendLE(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

namespace {

void AppendId(std::vector<std::uint8_t>& bytes, const std::string& id) {
    bytes.insert(bytes.end(), id.begin(), id.end());
}

}  // namespace

std::vector<std::uint8_t> WavSpec::Build() const {
    std::vector<std::uint8_t> bytes;
    AppendId(bytes, riff);
    AppendLE(bytes, riffSize, 4);
    AppendId(bytes, wave);
    AppendId(bytes, fmt);
    AppendLE(bytes, fmtSize.value_or(16 + static_cast<std::uint32_t>(formatTail.size())), 4);
    AppendLE(bytes, tag, 2);
    AppendLE(bytes, channels, 2);
    AppendLE(bytes, rate, 4);
    AppendLE(bytes, avgBytes, 4);
    AppendLE(bytes, blockAlign, 2);
    AppendLE(bytes, bits, 2);
    bytes.insert(bytes.end(), formatTail.begin(), formatTail.end());
    if (fact) {
        AppendId(bytes, "fact");
        AppendLE(bytes, factSize, 4);
        AppendLE(bytes, factValue, 4);
    }
    bytes.insert(bytes.end(), extraChunk.begin(), extraChunk.end());
    AppendId(bytes, dataId);
    AppendLE(bytes, dataSize.value_or(static_cast<std::uint32_t>(data.size())), 4);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

WavSpec PcmSpec(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                std::vector<std::uint8_t> data) {
    WavSpec spec;
    spec.rate = rate;
    spec.channels = channels;
    spec.bits = bits;
    spec.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    spec.avgBytes = rate * spec.blockAlign;
    spec.data = std::move(data);
    return spec;
}

WavSpec Pcm16Spec(std::uint32_t rate, std::uint16_t channels,
                  const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> data;
    for (const std::int16_t sample : samples) {
        AppendLE(data, static_cast<std::uint16_t>(sample), 2);
    }
    return PcmSpec(rate, channels, 16, std::move(data));
}

WavSpec AdpcmSpec(std::uint32_t rate, std::uint16_t channels, std::uint16_t blockAlign,
                  std::uint16_t samplesPerBlock, std::vector<std::uint8_t> data) {
    static const std::int16_t kCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                                     {240, 0}, {460, -208}, {392, -232}};
    WavSpec spec;
    spec.tag = 2;
    spec.rate = rate;
    spec.channels = channels;
    spec.bits = 4;
    spec.blockAlign = blockAlign;
    spec.avgBytes = samplesPerBlock != 0 ? rate * blockAlign / samplesPerBlock : 0;
    AppendLE(spec.formatTail, 32, 2);
    AppendLE(spec.formatTail, samplesPerBlock, 2);
    AppendLE(spec.formatTail, 7, 2);
    for (const auto& pair : kCoefficients) {
        AppendLE(spec.formatTail, static_cast<std::uint16_t>(pair[0]), 2);
        AppendLE(spec.formatTail, static_cast<std::uint16_t>(pair[1]), 2);
    }
    spec.fact = true;
    spec.data = std::move(data);
    return spec;
}

WavSpec ALawSpec(std::vector<std::uint8_t> codes) {
    WavSpec spec;
    spec.tag = 6;
    spec.channels = 1;
    spec.rate = 8000;
    spec.avgBytes = 8000;
    spec.blockAlign = 1;
    spec.bits = 8;
    AppendLE(spec.formatTail, 0, 2);
    spec.fact = true;
    spec.factValue = static_cast<std::uint32_t>(codes.size());
    spec.data = std::move(codes);
    return spec;
}

WavSpec VoxwareSpec(std::vector<std::uint8_t> data, std::vector<std::uint8_t> codecBytes) {
    WavSpec spec;
    spec.tag = 0x74;
    spec.channels = 1;
    spec.rate = 8000;
    spec.avgBytes = 300;
    spec.blockAlign = 27;
    spec.bits = 16;
    AppendLE(spec.formatTail, 16, 2);
    spec.formatTail.insert(spec.formatTail.end(), codecBytes.begin(), codecBytes.end());
    spec.fact = true;
    spec.data = std::move(data);
    return spec;
}

std::vector<std::uint8_t> ToneFile(std::uint32_t rate, std::uint16_t channels, double seconds) {
    std::vector<std::int16_t> samples;
    const auto frames = static_cast<std::size_t>(rate * seconds);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (unsigned c = 0; c < channels; ++c) {
            samples.push_back(static_cast<std::int16_t>(
                9000 * std::sin(2 * std::numbers::pi * (440.0 + 110.0 * c) * t)));
        }
    }
    return Pcm16Spec(rate, channels, samples).Build();
}

}  // namespace sonaro::test
