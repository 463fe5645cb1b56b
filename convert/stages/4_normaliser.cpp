#include "convert/stages/4_normaliser.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "convert/formats/alaw_encoder.h"
#include "convert/stages/stage_work.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

constexpr std::uint32_t kBlockSamples = 2000;
// The files are read and written this many blocks at a time.
constexpr std::uint32_t kBlocksPerTransfer = 32;
constexpr std::uint32_t kFadeLength = 400;
constexpr float kFadeStep = 0.0025F;
constexpr double kFullScale = 32767.0;
// The eighths of the stage's share of the bar that finding the peak takes.
constexpr int kPeakEighths = 5;

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

// The A-law code of a rounded value, looked up.
[[gnu::always_inline]] inline std::uint8_t Code(std::int16_t value) {
    return kALawCodes[static_cast<std::size_t>(value + 32768)];
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

using Float8 = float __attribute__((vector_size(32)));

// Widens [minimum, maximum] to hold the samples, as std::min and std::max would one sample after
// the other: a value that is not a number never counts, and a zero never replaces the starting
// 0. Eight lanes keep their own range, merged at the end; both are the range of the values seen.
[[gnu::target_clones("arch=x86-64-v3", "default")]] void ExtendRange(const float* samples,
                                                                     std::uint32_t size,
                                                                     float& minimum,
                                                                     float& maximum) {
    Float8 low = Float8{} + minimum;
    Float8 high = Float8{} + maximum;
    std::uint32_t j = 0;
    for (; j + 8 <= size; j += 8) {
        Float8 v;
        std::memcpy(&v, samples + j, sizeof v);
        high = high < v ? v : high;
        low = v < low ? v : low;
    }
    float lowest = minimum;
    float highest = maximum;
    for (int lane = 0; lane < 8; ++lane) {
        highest = highest < high[lane] ? high[lane] : highest;
        lowest = low[lane] < lowest ? low[lane] : lowest;
    }
    for (; j < size; ++j) {
        highest = highest < samples[j] ? samples[j] : highest;
        lowest = samples[j] < lowest ? samples[j] : lowest;
    }
    minimum = lowest;
    maximum = highest;
}

using Double8 = double __attribute__((vector_size(64)));
using Int8 = std::int32_t __attribute__((vector_size(32)));
using Byte8 = std::uint8_t __attribute__((vector_size(8)));

// Rounded() of eight scaled values at once: the sum with ±0.5, held to ±32767 first (the same
// as after the truncation, for a sum of any size) and then truncated toward zero, and 0 where a
// value is not a number. (Vectors pass by reference: no calling convention of wider vectors.)
[[gnu::always_inline]] inline void RoundEight(const Double8& value, Int8& rounded) {
    const Double8 half = value > 0 ? Double8{} + 0.5 : Double8{} - 0.5;
    Double8 sum = value + half;
    sum = sum < -kFullScale ? Double8{} - kFullScale : sum;
    sum = kFullScale < sum ? Double8{} + kFullScale : sum;
    sum = value != value ? Double8{} : sum;
    rounded = __builtin_convertvector(sum, Int8);
}

// The codes of the samples [begin, end), where the fade factor is 1 (1 × x is x): eight at a
// time on vectors, each scaled as Scaled() does and coded as Code() does. The clones for newer
// processors use their wider vectors; every code is the same.
[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]] void EncodeUnfaded(
    const float* samples, std::uint32_t begin, std::uint32_t end, float peak, float volume,
    std::uint8_t* codes) {
    std::uint32_t j = begin;
    for (; j + 8 <= end; j += 8) {
        Float8 x;
        std::memcpy(&x, samples + j, sizeof x);
        const Double8 value =
            __builtin_convertvector(x, Double8) / double{peak} * double{volume} * kFullScale;
        Int8 rounded;
        RoundEight(value, rounded);
        Int8 lanes;
        EncodeALawLanes(rounded, lanes);
        const Byte8 coded = __builtin_convertvector(lanes, Byte8);
        std::memcpy(codes + j, &coded, sizeof coded);
    }
    for (; j < end; ++j) {
        codes[j] = Code(Rounded(Scaled(samples[j], peak, volume, 1.0)));
    }
}

// The codes of block i, of size samples (at most a block).
void EncodeBlock(const float* samples, std::uint32_t size, std::uint32_t i, std::uint32_t count,
                 float peak, float volume, std::uint8_t* codes) {
    // Only the first 400 samples of the file and the last 399 are faded.
    const std::uint64_t first = std::uint64_t{i} * kBlockSamples;
    const std::uint32_t fadeInEnd = i == 0 ? std::min(size, kFadeLength) : 0;
    const std::uint64_t fadeOutStart = count > kFadeLength ? count - kFadeLength + 1 : 0;
    const auto unfadedEnd = static_cast<std::uint32_t>(
        i == 0 ? size : std::clamp<std::uint64_t>(fadeOutStart, first, first + size) - first);
    for (std::uint32_t j = 0; j < size; ++j) {
        if (j == fadeInEnd && peak != 0.0F && unfadedEnd > fadeInEnd) {
            EncodeUnfaded(samples, j, unfadedEnd, peak, volume, codes);
            j = unfadedEnd - 1;
            continue;
        }
        // A silent file has no peak to divide by: every value is 0.
        codes[j] =
            Code(peak == 0.0F
                     ? 0
                     : Rounded(Scaled(samples[j], peak, volume, Fade(i, j, count - (first + j)))));
    }
}

// Pass 1: the largest magnitude. Answers false after a cancel.
bool FindPeak(StageWork& stage, const Blocks& blocks, float& peak) {
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
bool Encode(StageWork& stage, const Blocks& blocks, float peak, float volume) {
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

Outcome<std::uint32_t> Normaliser::Run(const StageCall& call, ProgressPort& progress) const {
    const std::uint32_t count = call.input.count;
    const Blocks blocks(count);
    const int peakSpan = call.bar.span * kPeakEighths / 8;
    StageWork stage(call, progress);
    stage.SetBar({call.bar.base, peakSpan});
    return stage.Run([&]() -> StageWork::Count {
        const std::uint64_t bytes = std::uint64_t{count} * sizeof(float);
        const std::uint32_t transfer = std::min(count, kBlockSamples * kBlocksPerTransfer);
        stage.input().Reserve(bytes, transfer * sizeof(float), 0);
        stage.output().Reserve(transfer);
        stage.input().Open(call.input.path);
        stage.output().Open(call.output);

        float peak = 0.0F;
        if (!FindPeak(stage, blocks, peak)) {
            return std::nullopt;
        }
        stage.input().Rewind();
        stage.SetBar({call.bar.base + peakSpan, call.bar.span - peakSpan});
        if (!Encode(stage, blocks, peak, volume_)) {
            return std::nullopt;
        }
        stage.Finish();
        return count;
    });
}

}  // namespace sonaro
