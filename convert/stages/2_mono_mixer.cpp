#include "convert/stages/2_mono_mixer.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

constexpr std::uint32_t kChunkFrames = 2000;
// The file is read and written this many chunks at a time.
constexpr std::uint32_t kChunksPerTransfer = 32;

// Converts one chunk of interleaved frames to floats. The sum of a stereo frame is exact; the
// rest is done in double precision and stored in single precision (every value is exact).
void MixChunk(const std::uint8_t* in, std::uint32_t frames, bool stereo, bool eightBit,
              float* out) {
    if (eightBit) {
        for (std::uint32_t f = 0; f < frames; ++f) {
            out[f] = stereo ? static_cast<float>((in[2 * f] + in[2 * f + 1]) * 0.5 - 128)
                            : static_cast<float>(in[f] - 128);
        }
        return;
    }
    for (std::uint32_t f = 0; f < frames; ++f) {
        if (stereo) {
            std::int16_t pair[2];
            std::memcpy(pair, in + 4 * f, sizeof pair);
            out[f] = static_cast<float>((pair[0] + pair[1]) * 0.5);
        } else {
            std::int16_t sample;
            std::memcpy(&sample, in + 2 * f, sizeof sample);
            out[f] = static_cast<float>(sample);
        }
    }
}

}  // namespace

bool PcmToMonoFloats(StageContext& context, BarShare bar, const PcmSource& source,
                     const std::string& output, std::uint32_t& frames) {
    const bool stereo = source.channels != 1;
    const bool eightBit = source.bitsPerSample == 8;
    const std::size_t frameBytes = (eightBit ? 1 : 2) * (stereo ? 2 : 1);
    Stage stage(context, bar);
    return stage.Run([&] {
        const std::uint32_t transferFrames = std::min(frames, kChunkFrames * kChunksPerTransfer);
        // Missing data reads as silence.
        stage.input().Reserve(std::uint64_t{frameBytes} * frames, frameBytes * transferFrames,
                              eightBit ? 0x80 : 0x00);
        stage.output().Reserve(transferFrames * sizeof(float));
        stage.input().OpenAt(source.path, source.offset);
        const auto present = static_cast<std::uint32_t>(stage.input().LimitToFile() / frameBytes);
        stage.output().Open(output);

        const auto chunks = static_cast<std::uint32_t>(BlockCount(present, kChunkFrames));
        for (std::uint32_t i = 0; i < chunks; ++i) {
            const std::uint32_t count = std::min(present - i * kChunkFrames, kChunkFrames);
            MixChunk(stage.input().Next(frameBytes * count), count, stereo, eightBit,
                     reinterpret_cast<float*>(stage.output().Next(count * sizeof(float))));
            if (stage.Cancelled(i, chunks)) {
                return false;
            }
        }
        stage.Finish(Stage::Input::Keep);
        frames = present;
        return true;
    });
}

}  // namespace sonaro
