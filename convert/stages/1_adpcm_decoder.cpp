#include "convert/stages/1_adpcm_decoder.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <vector>

#include "convert/files/file.h"
#include "convert/files/file_error_report.h"
#include "convert/formats/adpcm_block_decoder.h"
#include "convert/stages/block_reader.h"
#include "convert/stages/block_writer.h"
#include "convert/stages/stage_progress.h"
#include "convert/stages/stage_runner.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

// The bar moves from 0 to 2 over the blocks.
constexpr int kBarBase = 0;
constexpr int kBarSpan = 3;
// The file is read and the samples written this many blocks at a time.
constexpr std::size_t kBlocksPerTransfer = 64;

}  // namespace

bool AdpcmGeometryIsSound(const AdpcmSource& source) {
    if (source.channels < 1 || source.channels > 2) {
        return false;
    }
    const std::uint64_t capacity =
        AdpcmBlockDecoder::FramesInBlock(source.blockAlign, source.channels);
    return source.samplesPerBlock >= 2 && source.samplesPerBlock <= capacity;
}

AdpcmBlockPlan PlanAdpcmBlocks(const AdpcmSource& source) {
    constexpr std::uint64_t kMaxFrames = std::numeric_limits<std::uint32_t>::max();
    AdpcmBlockPlan plan;
    plan.fullBlocks = std::min<std::uint64_t>(source.dataSize / source.blockAlign,
                                              kMaxFrames / source.samplesPerBlock);
    std::uint64_t frames = plan.fullBlocks * source.samplesPerBlock;
    const std::uint32_t rest = source.dataSize % source.blockAlign;
    const std::uint64_t restFrames = AdpcmBlockDecoder::FramesInBlock(rest, source.channels);
    const bool allWholeBlocks = plan.fullBlocks == source.dataSize / source.blockAlign;
    if (restFrames != 0 && allWholeBlocks && frames + restFrames <= kMaxFrames) {
        plan.partialBytes = rest;
        plan.partialFrames = static_cast<std::uint32_t>(restFrames);
        frames += restFrames;
    }
    plan.frames = static_cast<std::uint32_t>(frames);
    return plan;
}

bool DecodeAdpcm(StageContext& context, const AdpcmSource& source, const std::string& output,
                 std::uint32_t& frames) {
    if (!AdpcmGeometryIsSound(source)) {
        ShowStringMessage(context.messages, IDS_INVALID_FOR_CONVERSION);
        return false;
    }
    return RunStage(context, [&] {
        const unsigned channels = source.channels;
        const AdpcmBlockPlan plan = PlanAdpcmBlocks(source);
        const std::uint64_t blocks = plan.Blocks();
        const std::size_t frameBytes = std::size_t{channels} * sizeof(std::int16_t);
        const std::uint64_t inBytes =
            std::uint64_t{plan.fullBlocks} * source.blockAlign + plan.partialBytes;
        const std::uint64_t outBytes = std::uint64_t{plan.frames} * frameBytes;
        File input;
        File out;
        // Missing data decodes as silence.
        BlockReader codes(input, inBytes, std::size_t{source.blockAlign} * kBlocksPerTransfer, 0);
        // A partial last block may hold more frames than a full one when the header's samples
        // per block are fewer than a block could hold.
        const std::uint64_t widestBlock =
            std::max<std::uint64_t>(source.samplesPerBlock, plan.partialFrames);
        BlockWriter samples(out, static_cast<std::size_t>(std::min<std::uint64_t>(
                                     outBytes, widestBlock * frameBytes * kBlocksPerTransfer)));
        input.Open(source.path, File::Mode::Read);
        input.Seek(static_cast<std::int64_t>(source.dataOffset), File::SeekFrom::Begin);
        out.Open(output, File::Mode::Write);

        StageProgress progress(context, kBarBase, kBarSpan);
        progress.SetBeforePump([&] { samples.Flush(); });
        for (std::uint64_t b = 0; b < blocks; ++b) {
            const bool partial = b == plan.fullBlocks;
            const std::size_t bytes = partial ? plan.partialBytes : source.blockAlign;
            const std::uint32_t blockFrames = partial ? plan.partialFrames : source.samplesPerBlock;
            if (progress.Cancelled(b, blocks)) {
                return false;
            }
            auto* decoded = reinterpret_cast<std::int16_t*>(
                samples.Next(std::size_t{blockFrames} * frameBytes));
            const auto result =
                AdpcmBlockDecoder::Decode({codes.Next(bytes), bytes}, channels, blockFrames,
                                          {decoded, std::size_t{blockFrames} * channels});
            if (result != AdpcmBlockDecoder::Result::Decoded) {
                ShowStringMessage(context.messages,
                                  result == AdpcmBlockDecoder::Result::BadPredictor
                                      ? IDS_ADPCM_PREDICTOR
                                      : IDS_INVALID_FOR_CONVERSION);
                return false;
            }
        }
        samples.Flush();
        out.Close();
        input.Close();
        frames = plan.frames;
        return true;
    });
}

}  // namespace sonaro
