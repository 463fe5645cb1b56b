#include "convert/formats/adpcm_block_decoder.h"

#include <algorithm>
#include <array>

#include "convert/formats/adpcm_geometry.h"
#include "convert/formats/little_endian.h"

namespace sonaro {
namespace {

constexpr std::array<std::int16_t, AdpcmBlockDecoder::kPredictors> kFirstCoefficient = {
    256, 512, 0, 192, 240, 460, 392};
constexpr std::array<std::int16_t, AdpcmBlockDecoder::kPredictors> kSecondCoefficient = {
    0, -256, 0, 64, 0, -208, -232};
constexpr std::array<std::int16_t, 16> kAdaptation = {230, 230, 230, 230, 307, 409, 512, 614,
                                                      768, 614, 512, 409, 307, 230, 230, 230};
constexpr int kMinimumStep = 16;

// One channel's predictor.
struct ChannelState {
    std::int16_t first = 0;
    std::int16_t second = 0;
    std::int16_t step = 0;
    std::int16_t newest = 0;
    std::int16_t older = 0;

    std::int16_t Next(unsigned code) {
        int nextStep = static_cast<std::int16_t>((kAdaptation[code] * step) >> 8);
        if (nextStep < kMinimumStep) {
            nextStep = kMinimumStep;
        }
        const int signedCode = code >= 8 ? static_cast<int>(code) - 16 : static_cast<int>(code);
        const int predicted = (newest * first + older * second) >> 8;
        const auto sample =
            static_cast<std::int16_t>(std::clamp(predicted + signedCode * step, -32768, 32767));
        older = newest;
        newest = sample;
        step = static_cast<std::int16_t>(nextStep);
        return sample;
    }
};

std::int16_t LoadSigned16(const std::uint8_t* bytes) {
    return static_cast<std::int16_t>(LoadLE16(bytes));
}

}  // namespace

AdpcmBlockDecoder::Result AdpcmBlockDecoder::Decode(std::span<const std::uint8_t> block,
                                                    unsigned channels, std::uint64_t frames,
                                                    std::span<std::int16_t> out) {
    if (channels < 1 || channels > 2 || frames < 2 ||
        frames > AdpcmGeometry::FramesInBlock(block.size(), channels) ||
        out.size() / channels < frames) {
        return Result::BadGeometry;
    }
    std::array<ChannelState, 2> states;
    for (unsigned c = 0; c < channels; ++c) {
        const unsigned predictor = block[c];
        if (predictor >= kPredictors) {
            return Result::BadPredictor;
        }
        states[c].first = kFirstCoefficient[predictor];
        states[c].second = kSecondCoefficient[predictor];
    }
    const std::uint8_t* fields = block.data() + channels;
    for (unsigned c = 0; c < channels; ++c) {
        states[c].step = LoadSigned16(fields + 2 * c);
        states[c].newest = LoadSigned16(fields + 2 * (channels + c));
        states[c].older = LoadSigned16(fields + 2 * (2 * channels + c));
        out[c] = states[c].older;
        out[channels + c] = states[c].newest;
    }
    // The codes follow frame by frame, the high nibble of each byte first: in stereo every byte
    // holds one frame (left, right), in mono two frames.
    const std::uint8_t* codes = block.data() + AdpcmGeometry::kHeaderBytes * channels;
    std::int16_t* samples = out.data() + 2 * channels;
    const std::uint64_t nibbles = (frames - 2) * channels;
    ChannelState& high = states[0];
    ChannelState& low = states[channels - 1];
    for (std::uint64_t i = 0; i < nibbles / 2; ++i) {
        samples[2 * i] = high.Next(codes[i] >> 4);
        samples[2 * i + 1] = low.Next(codes[i] & 0x0F);
    }
    if (nibbles % 2 != 0) {
        samples[nibbles - 1] = high.Next(codes[nibbles / 2] >> 4);
    }
    return Result::Decoded;
}

}  // namespace sonaro
