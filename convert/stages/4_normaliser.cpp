#include "convert/stages/4_normaliser.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "convert/formats/alaw_encoder.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

constexpr std::uint32_t kBlockSamples = 2000;
// The files are read and written this many blocks at a time.
constexpr std::uint32_t kBlocksPerTransfer = 32;
constexpr std::uint32_t kFadeLength = 400;
constexpr float kFadeStep = 0.0025F;
constexpr double kFullScale = 32767.0;

// The fade factor of sample j of block i, remaining samples from it to the end of the file (1
// for the last sample).
[[gnu::always_inline]] inline double Fade(std::uint64_t block, std::uint32_t indexInBlock,
                                          std::uint64_t remaining) {
    if (block == 0) {
        return indexInBlock < kFadeLength ? indexInBlock * double{kFadeStep} : 1.0;
    }
    return remaining < kFadeLength ? static_cast<double>(remaining) * double{kFadeStep} : 1.0;
}

// A scaled value rounded half away from zero to 16 bits, never beyond ±32767, and 0 when it is
// not a number. Written as choices of values rather than branches, so that a loop of it runs on
// vectors; adding -0.5 is subtracting 0.5.
[[gnu::always_inline]] inline std::int16_t Rounded(double value) {
    const double half = value > 0 ? 0.5 : -0.5;
    double rounded = std::trunc(value + half);
    rounded = rounded < -kFullScale ? -kFullScale : rounded;
    rounded = kFullScale < rounded ? kFullScale : rounded;
    rounded = value != value ? 0.0 : rounded;
    return static_cast<std::int16_t>(rounded);
}

// The value of a sample before rounding: fade × ((x ÷ peak) × volume) × 32767, in this order.
[[gnu::always_inline]] inline double Scaled(float sample, float peak, float volume, double fade) {
    return fade * ((double{sample} / double{peak}) * double{volume}) * kFullScale;
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

// The samples [begin, end) where the fade factor is 1 (1 × x is x). The clone for newer
// processors rounds in one instruction; every result is the same.
[[gnu::target_clones("arch=x86-64-v3", "default")]] void ScaleUnfaded(const float* samples,
                                                                      std::uint32_t begin,
                                                                      std::uint32_t end, float peak,
                                                                      float volume,
                                                                      std::int16_t* values) {
    for (std::uint32_t j = begin; j < end; ++j) {
        values[j] = Rounded(Scaled(samples[j], peak, volume, 1.0));
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
        // A silent file has no peak to divide by: every value is 0.
        values[j] =
            peak == 0.0F
                ? 0
                : Rounded(Scaled(samples[j], peak, volume, Fade(i, j, count - (first + j))));
    }
    for (std::uint32_t j = 0; j < size; ++j) {
        codes[j] = EncodeALaw(values[j]);
    }
}

// Pass 1: the largest magnitude. Answers false after a cancel.
bool FindPeak(Stage& stage, const Blocks& blocks, float& peak) {
    float maximum = 0.0F;
    float minimum = 0.0F;
    for (std::uint32_t i = 0; i < blocks.blocks; ++i) {
        const std::uint32_t size = blocks.Size(i);
        const auto* samples =
            reinterpret_cast<const float*>(stage.input().Next(size * sizeof(float)));
        ExtendRange(samples, size, minimum, maximum);
        if (stage.Cancelled(i, blocks.blocks)) {
            return false;
        }
    }
    peak = std::max(maximum, -minimum);
    return true;
}

// Pass 2: scale, fade, round and encode. Answers false after a cancel.
bool Encode(Stage& stage, const Blocks& blocks, float peak, float volume) {
    for (std::uint32_t i = 0; i < blocks.blocks; ++i) {
        const std::uint32_t size = blocks.Size(i);
        const auto* samples =
            reinterpret_cast<const float*>(stage.input().Next(size * sizeof(float)));
        EncodeBlock(samples, size, i, blocks.count, peak, volume, stage.output().Next(size));
        if (stage.Cancelled(i, blocks.blocks)) {
            return false;
        }
    }
    return true;
}

}  // namespace

float VolumeFactor(int volumeLevel) {
    return static_cast<float>(volumeLevel * 0.1);
}

bool FloatsToALaw(StageContext& context, NormaliserBars bars, const std::string& output,
                  const std::string& input, std::uint32_t count, int volumeLevel) {
    const float volume = VolumeFactor(volumeLevel);
    const Blocks blocks(count);
    Stage stage(context, bars.peak);
    return stage.Run([&] {
        const std::uint64_t bytes = std::uint64_t{count} * sizeof(float);
        const std::uint32_t transfer = std::min(count, kBlockSamples * kBlocksPerTransfer);
        stage.input().Reserve(bytes, transfer * sizeof(float), 0);
        stage.output().Reserve(transfer);
        stage.input().Open(input);
        stage.output().Open(output);

        float peak = 0.0F;
        if (!FindPeak(stage, blocks, peak)) {
            return false;
        }
        stage.input().Rewind();
        stage.SetBar(bars.encode);
        if (!Encode(stage, blocks, peak, volume)) {
            return false;
        }
        stage.Finish(Stage::Input::Remove);
        return true;
    });
}

}  // namespace sonaro
