#include "convert/stages/2_mono_mixer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "convert/files/file.h"
#include "convert/stages/block_reader.h"
#include "convert/stages/block_writer.h"
#include "convert/stages/stage_progress.h"
#include "convert/stages/stage_runner.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

constexpr std::uint32_t kChunkFrames = 2000;
// The file is read and written this many chunks at a time.
constexpr std::uint32_t kChunksPerTransfer = 32;
// The bar moves from 3 to 4 over the chunks.
constexpr int kBarBase = 3;
constexpr int kBarSpan = 2;

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

bool MixToMonoFloat(StageContext& context, const std::string& output, const std::string& input,
                    std::uint64_t inputOffset, std::uint32_t frames, std::uint8_t channels,
                    unsigned bitsPerSample) {
    const bool stereo = channels != 1;
    const bool eightBit = bitsPerSample == 8;
    const std::size_t frameBytes = (eightBit ? 1 : 2) * (stereo ? 2 : 1);
    return RunStage(context, [&] {
        const std::uint64_t inBytes = std::uint64_t{frameBytes} * frames;
        const std::size_t transferFrames = std::min(frames, kChunkFrames * kChunksPerTransfer);
        File source;
        File target;
        // Missing data reads as silence.
        BlockReader in(source, inBytes, frameBytes * transferFrames, eightBit ? 0x80 : 0x00);
        BlockWriter out(target, transferFrames * sizeof(float));
        source.Open(input, File::Mode::Read);
        source.Seek(static_cast<std::int64_t>(inputOffset), File::SeekFrom::Begin);
        target.Open(output, File::Mode::Write);

        const auto chunks = static_cast<std::uint32_t>(BlockCount(frames, kChunkFrames));
        StageProgress progress(context, kBarBase, kBarSpan);
        progress.SetBeforePump([&] { out.Flush(); });
        for (std::uint32_t i = 0; i < chunks; ++i) {
            const std::uint32_t count = std::min(frames - i * kChunkFrames, kChunkFrames);
            MixChunk(in.Next(frameBytes * count), count, stereo, eightBit,
                     reinterpret_cast<float*>(out.Next(std::size_t{count} * sizeof(float))));
            if (progress.Cancelled(i, chunks)) {
                return false;
            }
        }
        out.Flush();
        target.Close();
        source.Close();
        return true;
    });
}

}  // namespace sonaro
