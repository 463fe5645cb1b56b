#include "convert/formats/adpcm_block_decoder.h"

#include <algorithm>
#include <array>

#include "convert/formats/adpcm_block_lanes.h"
#include "convert/formats/adpcm_geometry.h"
#include "convert/formats/adpcm_tables.h"
#include "convert/formats/little_endian.h"

namespace sonaro {
namespace {

// One channel's predictor.
struct ChannelState {
    std::int16_t first = 0;
    std::int16_t second = 0;
    std::int16_t step = 0;
    std::int16_t newest = 0;
    std::int16_t older = 0;

    std::int16_t Next(unsigned code) {
        int nextStep = static_cast<std::int16_t>((kAdpcmAdaptation[code] * step) >> 8);
        if (nextStep < kAdpcmMinimumStep) {
            nextStep = kAdpcmMinimumStep;
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
    if (!PredictorsValid(block.data(), channels)) {
        return Result::BadPredictor;
    }
    std::array<ChannelState, 2> states;
    for (unsigned c = 0; c < channels; ++c) {
        const unsigned predictor = block[c];
        states[c].first = kAdpcmFirstCoefficient[predictor];
        states[c].second = kAdpcmSecondCoefficient[predictor];
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

bool AdpcmBlockDecoder::PredictorsValid(const std::uint8_t* block, unsigned channels) {
    for (unsigned c = 0; c < channels; ++c) {
        if (block[c] >= kPredictors) {
            return false;
        }
    }
    return true;
}

AdpcmBlockDecoder::Result AdpcmBlockDecoder::DecodeBlocks(std::span<const std::uint8_t> blocks,
                                                          std::size_t blockBytes, unsigned channels,
                                                          std::uint64_t frames,
                                                          std::span<std::int16_t> out,
                                                          SimdLevel level) {
    const std::size_t count = blockBytes == 0 ? 0 : blocks.size() / blockBytes;
    if (channels < 1 || channels > 2 || frames < 2 ||
        frames > AdpcmGeometry::FramesInBlock(blockBytes, channels) ||
        out.size() / channels / frames < count) {
        return Result::BadGeometry;
    }
    for (std::size_t b = 0; b < count; ++b) {
        if (!PredictorsValid(blocks.data() + b * blockBytes, channels)) {
            return Result::BadPredictor;
        }
    }
    const std::size_t lanes = AdpcmLaneBlocks(level);
    const std::size_t blockSamples = frames * channels;
    std::size_t b = 0;
    for (; lanes != 0 && b + lanes <= count; b += lanes) {
        DecodeAdpcmLanes({blocks.data() + b * blockBytes, lanes, blockBytes, channels, frames,
                          out.data() + b * blockSamples},
                         level);
    }
    for (; b < count; ++b) {
        Decode(blocks.subspan(b * blockBytes, blockBytes), channels, frames,
               out.subspan(b * blockSamples, blockSamples));
    }
    return Result::Decoded;
}

}  // namespace sonaro
