#include "convert/stages/4_normaliser.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "convert/files/file.h"
#include "convert/formats/alaw_encoder.h"
#include "convert/stages/block_reader.h"
#include "convert/stages/block_writer.h"
#include "convert/stages/stage_progress.h"
#include "convert/stages/stage_runner.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

constexpr std::uint32_t kBlockSamples = 2000;
// The files are read and written this many blocks at a time.
constexpr std::uint32_t kBlocksPerTransfer = 32;
constexpr std::uint32_t kFadeLength = 400;
constexpr float kFadeStep = 0.0025F;
constexpr double kFullScale = 32767.0;

// Blocks of the peak pass move the bar from 90 to 94, those of the encoding pass from 95 to 97.
constexpr int kPeakBarBase = 90;
constexpr int kPeakBarSpan = 5;
constexpr int kEncodeBarBase = 95;
constexpr int kEncodeBarSpan = 3;

// The definitions of FadeFactor and ScaleSample, inlined into the encoding loop, which runs once
// per sample.
[[gnu::always_inline]] inline double Fade(std::uint64_t block, std::uint32_t indexInBlock,
                                          std::uint64_t remaining) {
    if (block == 0) {
        return indexInBlock < kFadeLength ? indexInBlock * double{kFadeStep} : 1.0;
    }
    return remaining < kFadeLength ? static_cast<double>(remaining) * double{kFadeStep} : 1.0;
}

[[gnu::always_inline]] inline std::int16_t Scale(float sample, float peak, float volume,
                                                 double fade) {
    if (peak == 0.0F) {
        return 0;
    }
    const double value = fade * ((double{sample} / double{peak}) * double{volume}) * kFullScale;
    if (std::isnan(value)) {
        return 0;
    }
    // Half away from zero; adding -0.5 is subtracting 0.5, and a choice of constant (not of
    // sums) needs no branch on a sign that noise makes unpredictable.
    const double half = value > 0 ? 0.5 : -0.5;
    const double rounded = std::trunc(value + half);
    return static_cast<std::int16_t>(std::clamp(rounded, -kFullScale, kFullScale));
}

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

// Widens [minimum, maximum] to hold the samples; as std::min and std::max would, in registers.
void ExtendRange(const float* samples, std::uint32_t size, float& minimum, float& maximum) {
    float low = minimum;
    float high = maximum;
    for (std::uint32_t j = 0; j < size; ++j) {
        const float v = samples[j];
        high = high < v ? v : high;
        low = v < low ? v : low;
    }
    minimum = low;
    maximum = high;
}

// Scale for samples [begin, end) where the fade factor is 1 (1 * x is x): the same steps, written
// as choices of values rather than branches so that the loop runs on vectors. The clone for newer
// processors rounds in one instruction; every result is the same.
[[gnu::target_clones("arch=x86-64-v3", "default")]] void ScaleUnfaded(const float* samples,
                                                                      std::uint32_t begin,
                                                                      std::uint32_t end, float peak,
                                                                      float volume,
                                                                      std::int16_t* values) {
    for (std::uint32_t j = begin; j < end; ++j) {
        const double value = ((double{samples[j]} / double{peak}) * double{volume}) * kFullScale;
        const double half = value > 0 ? 0.5 : -0.5;
        double rounded = std::trunc(value + half);
        rounded = rounded < -kFullScale ? -kFullScale : rounded;
        rounded = kFullScale < rounded ? kFullScale : rounded;
        rounded = value != value ? 0.0 : rounded;  // not a number
        values[j] = static_cast<std::int16_t>(rounded);
    }
}

// The codes of block i, of size samples (at most a block).
void EncodeBlock(const float* samples, std::uint32_t size, std::uint32_t i, std::uint32_t count,
                 float peak, float volume, std::uint8_t* codes) {
    std::int16_t values[kBlockSamples];
    // Only the first 400 samples of the file and the last 399 are faded.
    const std::uint64_t first = std::uint64_t{i} * kBlockSamples;
    const std::uint32_t fadeInEnd = i == 0 ? std::min(size, kFadeLength) : 0;
    const std::uint64_t fadeOutStart = count > kFadeLength ? count - kFadeLength + 1 : 0;
    const auto unfadedEnd = static_cast<std::uint32_t>(
        i == 0 ? size : std::clamp<std::uint64_t>(fadeOutStart, first, first + size) - first);
    for (std::uint32_t j = 0; j < size; ++j) {
        if (j == fadeInEnd && peak != 0.0F && unfadedEnd > fadeInEnd) {
            ScaleUnfaded(samples, j, unfadedEnd, peak, volume, values);
            j = unfadedEnd - 1;
            continue;
        }
        values[j] = Scale(samples[j], peak, volume, Fade(i, j, count - (first + j)));
    }
    for (std::uint32_t j = 0; j < size; ++j) {
        codes[j] = EncodeALaw(values[j]);
    }
}

// Pass 1: the largest magnitude. Answers false after a cancel.
bool FindPeak(BlockReader& input, const Blocks& blocks, StageProgress& progress, float& peak) {
    float maximum = 0.0F;
    float minimum = 0.0F;
    for (std::uint32_t i = 0; i < blocks.blocks; ++i) {
        const std::uint32_t size = blocks.Size(i);
        const auto* samples = reinterpret_cast<const float*>(input.Next(size * sizeof(float)));
        ExtendRange(samples, size, minimum, maximum);
        if (progress.Cancelled(i, blocks.blocks)) {
            return false;
        }
    }
    peak = std::max(maximum, -minimum);
    return true;
}

// Pass 2: scale, fade, round and encode. Answers false after a cancel.
bool Encode(BlockReader& input, BlockWriter& output, const Blocks& blocks, float peak, float volume,
            StageProgress& progress) {
    for (std::uint32_t i = 0; i < blocks.blocks; ++i) {
        const std::uint32_t size = blocks.Size(i);
        const auto* samples = reinterpret_cast<const float*>(input.Next(size * sizeof(float)));
        EncodeBlock(samples, size, i, blocks.count, peak, volume, output.Next(size));
        if (progress.Cancelled(i, blocks.blocks)) {
            return false;
        }
    }
    output.Flush();
    return true;
}

}  // namespace

float VolumeFactor(int volumeLevel) {
    return static_cast<float>(volumeLevel * 0.1);
}

double FadeFactor(std::uint64_t block, std::uint32_t indexInBlock, std::uint64_t remaining) {
    return Fade(block, indexInBlock, remaining);
}

std::int16_t ScaleSample(float sample, float peak, float volume, double fade) {
    return Scale(sample, peak, volume, fade);
}

bool NormaliseAndEncode(StageContext& context, const std::string& output, const std::string& input,
                        std::uint32_t count, int volumeLevel) {
    const float volume = VolumeFactor(volumeLevel);
    const Blocks blocks(count);
    return RunStage(context, [&] {
        const std::uint64_t bytes = std::uint64_t{count} * sizeof(float);
        const std::uint32_t transfer = std::min(count, kBlockSamples * kBlocksPerTransfer);
        File source;
        File target;
        BlockReader samples(source, bytes, transfer * sizeof(float), 0);
        BlockWriter codes(target, transfer);
        source.Open(input, File::Mode::Read);
        target.Open(output, File::Mode::Write);

        float peak = 0.0F;
        StageProgress peakProgress(context, kPeakBarBase, kPeakBarSpan);
        if (!FindPeak(samples, blocks, peakProgress, peak)) {
            return false;
        }
        source.Seek(0, File::SeekFrom::Begin);
        samples.Restart(bytes);
        StageProgress encodeProgress(context, kEncodeBarBase, kEncodeBarSpan);
        encodeProgress.SetBeforePump([&] { codes.Flush(); });
        if (!Encode(samples, codes, blocks, peak, volume, encodeProgress)) {
            return false;
        }
        FinishAndRemoveInput(source, input, target);
        return true;
    });
}

}  // namespace sonaro
