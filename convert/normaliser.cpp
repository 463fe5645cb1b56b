#include "convert/normaliser.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "convert/alaw_encoder.h"
#include "convert/file.h"
#include "convert/stage_progress.h"
#include "convert/stage_runner.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

constexpr std::uint32_t kBlockSamples = 2000;
constexpr std::uint32_t kFadeLength = 400;
constexpr float kFadeStep = 0.0025F;
constexpr double kFullScale = 32767.0;

// Blocks of the peak pass move the bar from 90 to 94, those of the encoding pass from 95 to 97.
constexpr int kPeakBarBase = 90;
constexpr int kPeakBarSpan = 5;
constexpr int kEncodeBarBase = 95;
constexpr int kEncodeBarSpan = 3;

// The blocks of a file of count samples.
struct Blocks {
    std::uint32_t count;
    std::uint32_t blocks;

    explicit Blocks(std::uint32_t samples)
        : count(samples), blocks(static_cast<std::uint32_t>(BlockCount(samples, kBlockSamples))) {}
    std::uint32_t Size(std::uint32_t block) const {
        return std::min(count - block * kBlockSamples, kBlockSamples);
    }
};

// Pass 1: the largest magnitude. Answers false after a cancel.
bool FindPeak(File& input, const Blocks& blocks, std::vector<float>& samples,
              StageProgress& progress, float& peak) {
    float maximum = 0.0F;
    float minimum = 0.0F;
    for (std::uint32_t i = 0; i < blocks.blocks; ++i) {
        const std::uint32_t size = blocks.Size(i);
        ReadOrFill(input, samples.data(), size * sizeof(float), 0);
        for (std::uint32_t j = 0; j < size; ++j) {
            maximum = std::max(maximum, samples[j]);
            minimum = std::min(minimum, samples[j]);
        }
        if (progress.Cancelled(i, blocks.blocks)) {
            return false;
        }
    }
    peak = std::max(maximum, -minimum);
    return true;
}

// Pass 2: scale, fade, round and encode. Answers false after a cancel.
bool Encode(File& input, File& output, const Blocks& blocks, float peak, float volume,
            std::vector<float>& samples, std::vector<std::uint8_t>& codes,
            StageProgress& progress) {
    for (std::uint32_t i = 0; i < blocks.blocks; ++i) {
        const std::uint32_t size = blocks.Size(i);
        ReadOrFill(input, samples.data(), size * sizeof(float), 0);
        for (std::uint32_t j = 0; j < size; ++j) {
            const std::uint64_t remaining = blocks.count - (std::uint64_t{i} * kBlockSamples + j);
            const double fade = FadeFactor(i, j, remaining);
            codes[j] = EncodeALaw(ScaleSample(samples[j], peak, volume, fade));
        }
        output.Write(codes.data(), size);
        if (progress.Cancelled(i, blocks.blocks)) {
            return false;
        }
    }
    return true;
}

}  // namespace

float VolumeFactor(int volumeLevel) {
    return static_cast<float>(volumeLevel * 0.1);
}

double FadeFactor(std::uint64_t block, std::uint32_t indexInBlock, std::uint64_t remaining) {
    if (block == 0) {
        return indexInBlock < kFadeLength ? indexInBlock * double{kFadeStep} : 1.0;
    }
    return remaining < kFadeLength ? static_cast<double>(remaining) * double{kFadeStep} : 1.0;
}

std::int16_t ScaleSample(float sample, float peak, float volume, double fade) {
    if (peak == 0.0F) {
        return 0;
    }
    const double value = fade * ((double{sample} / double{peak}) * double{volume}) * kFullScale;
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = std::trunc(value > 0 ? value + 0.5 : value - 0.5);
    return static_cast<std::int16_t>(std::clamp(rounded, -kFullScale, kFullScale));
}

bool NormaliseAndEncode(StageContext& context, const std::string& output, const std::string& input,
                        std::uint32_t count, int volumeLevel) {
    const float volume = VolumeFactor(volumeLevel);
    const Blocks blocks(count);
    return RunStage(context, [&] {
        std::vector<float> samples(std::min(count, kBlockSamples));
        std::vector<std::uint8_t> codes(samples.size());
        File source(input, File::Mode::Read);
        File target(output, File::Mode::Write);

        float peak = 0.0F;
        StageProgress peakProgress(context, kPeakBarBase, kPeakBarSpan);
        if (!FindPeak(source, blocks, samples, peakProgress, peak)) {
            return false;
        }
        source.Seek(0, File::SeekFrom::Begin);
        StageProgress encodeProgress(context, kEncodeBarBase, kEncodeBarSpan);
        if (!Encode(source, target, blocks, peak, volume, samples, codes, encodeProgress)) {
            return false;
        }
        FinishAndRemoveInput(source, input, target);
        return true;
    });
}

}  // namespace sonaro
