#include "convert/stages/1_adpcm_decoder.h"

#include <algorithm>
#include <bit>

#include "convert/formats/adpcm_block_decoder.h"
#include "convert/stages/stage_work.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

// The file is read and the samples written this many blocks at a time, and as many whole blocks
// are decoded at once.
constexpr std::size_t kBlocksPerTransfer = 64;

using Result = AdpcmBlockDecoder::Result;

// Blocks that follow each other in the data, decoded together.
struct BlockGroup {
    std::uint64_t count;
    std::size_t bytes;     // of each block
    std::uint32_t frames;  // of each block
    std::uint64_t failed;  // the first block that could not be decoded, or count
    Result failure;        // why
};

// Decodes the group into out. When a predictor is out of range, the blocks before its block are
// decoded one by one, as a conversion block after block would have.
void DecodeGroup(const std::uint8_t* in, unsigned channels, BlockGroup& group, std::int16_t* out) {
    const std::size_t samples = std::size_t{group.frames} * channels;
    group.failed = group.count;
    group.failure = Result::Decoded;
    if (AdpcmBlockDecoder::DecodeBlocks({in, group.count * group.bytes}, group.bytes, channels,
                                        group.frames,
                                        {out, group.count * samples}) == Result::Decoded) {
        return;
    }
    for (std::uint64_t b = 0; b < group.count; ++b) {
        group.failure = AdpcmBlockDecoder::Decode({in + b * group.bytes, group.bytes}, channels,
                                                  group.frames, {out + b * samples, samples});
        if (group.failure != Result::Decoded) {
            group.failed = b;
            return;
        }
    }
}

}  // namespace

Outcome<std::uint32_t> AdpcmDecoder::Run(const StageCall& call, ProgressPort& progress) const {
    const AdpcmGeometry& geometry = geometry_;
    if (!geometry.Fits()) {
        return Failure::Of(IDS_INVALID_FOR_CONVERSION);
    }
    StageWork stage(call, progress);
    return stage.Run([&]() -> StageWork::Count {
        const unsigned channels = geometry.channels;
        const std::size_t frameBytes = std::size_t{channels} * sizeof(std::int16_t);
        const AdpcmBlockPlan claimed = geometry.Plan(call.input.count);
        // A partial block may hold more frames than a full one when the header's samples per
        // block are fewer than a block could hold; and when the file ends before the claimed
        // data, its partial block is cut elsewhere than the claim's, so any size is allowed for.
        const std::uint64_t widestBlock = std::max<std::uint64_t>(
            geometry.samplesPerBlock,
            AdpcmGeometry::FramesInBlock(geometry.blockAlign - 1U, channels));
        const std::uint64_t blocksPerWrite =
            std::min<std::uint64_t>(claimed.Blocks(), kBlocksPerTransfer);
        // Missing data decodes as silence.
        stage.input().Reserve(call.input.count,
                              std::size_t{geometry.blockAlign} * kBlocksPerTransfer, 0);
        stage.output().Reserve(static_cast<std::size_t>(widestBlock * frameBytes * blocksPerWrite));
        stage.input().OpenAt(call.input.path, call.input.offset);
        const AdpcmBlockPlan plan =
            geometry.Plan(static_cast<std::uint32_t>(stage.input().LimitToFile()));
        stage.output().Open(call.output);
        stage.Promise(plan.frames, frameBytes);

        // The whole blocks a transfer at a time, then the partial one. Each block is reported
        // before it is passed on to the output: a cancel there leaves it and those after it out.
        const std::uint64_t blocks = plan.Blocks();
        for (std::uint64_t b = 0; b < blocks;) {
            const bool partial = b == plan.fullBlocks;
            BlockGroup group{
                partial ? 1 : std::min<std::uint64_t>(kBlocksPerTransfer, plan.fullBlocks - b),
                partial ? plan.partialBytes : geometry.blockAlign,
                partial ? plan.partialFrames : geometry.samplesPerBlock, 0, Result::Decoded};
            const std::size_t blockBytes = std::size_t{group.frames} * frameBytes;
            DecodeGroup(
                stage.input().Next(group.count * group.bytes), channels, group,
                reinterpret_cast<std::int16_t*>(stage.output().Ahead(group.count * blockBytes)));
            for (std::uint64_t k = 0; k < group.count; ++k, ++b) {
                if (stage.Cancelled(b, blocks)) {
                    return std::nullopt;
                }
                if (k == group.failed) {
                    return stage.Fail(group.failure == Result::BadPredictor
                                          ? IDS_ADPCM_PREDICTOR
                                          : IDS_INVALID_FOR_CONVERSION);
                }
                stage.output().PassOn(blockBytes);
            }
        }
        stage.Finish();
        return plan.frames;
    });
}

}  // namespace sonaro
