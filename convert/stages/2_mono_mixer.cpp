#include "convert/stages/2_mono_mixer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "convert/formats/vector_shuffle.h"
#include "convert/stages/stage_work.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

constexpr std::uint32_t kChunkFrames = 2000;
// The file is read and written this many chunks at a time.
constexpr std::uint32_t kChunksPerTransfer = 32;

using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Bytes8 = std::uint8_t __attribute__((vector_size(8)));
using Shorts16 = std::int16_t __attribute__((vector_size(32)));
using Shorts8 = std::int16_t __attribute__((vector_size(16)));
using Floats8 = float __attribute__((vector_size(32)));

// The value of a frame from its samples as floats, in float arithmetic that is exact here: an
// 8-bit sample less 128, a 16-bit one as it is, a stereo frame the sum halved. The same values
// as (left + right) × 0.5 (- 128) in double precision. One frame or a vector of frames.
template <bool kStereo, bool kEightBit, typename Real>
[[gnu::always_inline]] inline Real FrameValue(Real left, Real right) {
    constexpr float kOffset = kEightBit ? (kStereo ? 256.0F : 128.0F) : 0.0F;
    return kStereo ? (left + right - kOffset) * 0.5F : left - kOffset;
}

// Eight samples as floats: Samples holds eight, as bytes or as 16-bit values.
template <typename Samples>
[[gnu::always_inline]] inline Floats8 Widen(const std::uint8_t* in) {
    Samples samples;
    std::memcpy(&samples, in, sizeof samples);
    return __builtin_convertvector(samples, Floats8);
}

// The left and the right samples of eight stereo frames as floats: Pairs holds the sixteen
// samples, Half eight of them.
template <typename Pairs, typename Half>
[[gnu::always_inline]] inline void SplitPairs(const std::uint8_t* in, Floats8& left,
                                              Floats8& right) {
    Pairs pairs;
    std::memcpy(&pairs, in, sizeof pairs);
    const Pairs split = Shuffle(pairs, Pairs{0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15});
    Half halves[2];
    std::memcpy(halves, &split, sizeof halves);
    left = __builtin_convertvector(halves[0], Floats8);
    right = __builtin_convertvector(halves[1], Floats8);
}

// Eight frames of each format at once.
template <bool kStereo, bool kEightBit>
[[gnu::always_inline]] inline void MixEight(const std::uint8_t* in, float* out) {
    Floats8 left;
    Floats8 right{};
    if constexpr (kStereo && kEightBit) {
        SplitPairs<Bytes16, Bytes8>(in, left, right);
    } else if constexpr (kStereo) {
        SplitPairs<Shorts16, Shorts8>(in, left, right);
    } else if constexpr (kEightBit) {
        left = Widen<Bytes8>(in);
    } else {
        left = Widen<Shorts8>(in);
    }
    const Floats8 values = FrameValue<kStereo, kEightBit>(left, right);
    std::memcpy(out, &values, sizeof values);
}

// Converts frames of one format, eight at a time, then one at a time.
template <bool kStereo, bool kEightBit>
[[gnu::always_inline]] inline void MixFrames(const std::uint8_t* in, std::uint32_t frames,
                                             float* out) {
    constexpr std::size_t kFrameBytes = (kEightBit ? 1 : 2) * (kStereo ? 2 : 1);
    std::uint32_t f = 0;
    for (; f + 8 <= frames; f += 8) {
        MixEight<kStereo, kEightBit>(in + f * kFrameBytes, out + f);
    }
    for (; f < frames; ++f) {
        const std::uint8_t* frame = in + f * kFrameBytes;
        std::int16_t samples[2] = {};
        if constexpr (kEightBit) {
            samples[0] = frame[0];
            samples[1] = kStereo ? frame[1] : 0;
        } else {
            std::memcpy(samples, frame, kFrameBytes);
        }
        out[f] = FrameValue<kStereo, kEightBit>(static_cast<float>(samples[0]),
                                                static_cast<float>(samples[1]));
    }
}

// Converts one chunk of interleaved frames to floats. The clone for newer processors works on
// wider vectors; every value is the same.
[[gnu::target_clones("arch=x86-64-v3", "default")]] void MixChunk(const std::uint8_t* in,
                                                                  std::uint32_t frames, bool stereo,
                                                                  bool eightBit, float* out) {
    if (eightBit) {
        return stereo ? MixFrames<true, true>(in, frames, out)
                      : MixFrames<false, true>(in, frames, out);
    }
    return stereo ? MixFrames<true, false>(in, frames, out)
                  : MixFrames<false, false>(in, frames, out);
}

}  // namespace

Outcome<std::uint32_t> MonoMixer::Run(const StageCall& call, ProgressPort& progress) const {
    const bool stereo = stereo_;
    const bool eightBit = eightBit_;
    const std::size_t frameBytes = (eightBit ? 1 : 2) * (stereo ? 2 : 1);
    const std::uint32_t frames = call.input.count;
    StageWork stage(call, progress);
    return stage.Run([&]() -> StageWork::Count {
        const std::uint32_t transferFrames = std::min(frames, kChunkFrames * kChunksPerTransfer);
        // Missing data reads as silence.
        stage.input().Reserve(std::uint64_t{frameBytes} * frames, frameBytes * transferFrames,
                              eightBit ? 0x80 : 0x00);
        stage.output().Reserve(transferFrames * sizeof(float));
        stage.input().OpenAt(call.input.path, call.input.offset);
        const auto present = static_cast<std::uint32_t>(stage.input().LimitToFile() / frameBytes);
        stage.output().Open(call.output);
        stage.Promise(present, sizeof(float));

        const auto chunks = static_cast<std::uint32_t>(BlockCount(present, kChunkFrames));
        for (std::uint32_t i = 0; i < chunks; ++i) {
            const std::uint32_t count = std::min(present - i * kChunkFrames, kChunkFrames);
            MixChunk(stage.input().Next(frameBytes * count), count, stereo, eightBit,
                     reinterpret_cast<float*>(stage.output().Next(count * sizeof(float))));
            if (stage.Cancelled(i, chunks)) {
                return std::nullopt;
            }
        }
        stage.Finish();
        return present;
    });
}

}  // namespace sonaro
