#include "convert/stages/1_adpcm_decoder.h"

#include <algorithm>
#include <bit>

#include "convert/formats/adpcm_block_decoder.h"

namespace sonaro {
namespace {

static_assert(std::endian::native == std::endian::little, "sample files are little-endian");

// The file is read and the samples written this many blocks at a time.
constexpr std::size_t kBlocksPerTransfer = 64;

}  // namespace

bool AdpcmToPcm16(StageContext& context, BarShare bar, const AdpcmSource& source,
                  const std::string& output, std::uint32_t& frames) {
    const AdpcmGeometry& geometry = source.geometry;
    Stage stage(context, bar);
    if (!geometry.Fits()) {
        return stage.Fail(IDS_INVALID_FOR_CONVERSION);
    }
    return stage.Run([&] {
        const unsigned channels = geometry.channels;
        const std::size_t frameBytes = std::size_t{channels} * sizeof(std::int16_t);
        const AdpcmBlockPlan claimed = geometry.Plan(source.dataSize);
        // A partial block may hold more frames than a full one when the header's samples per
        // block are fewer than a block could hold; and when the file ends before the claimed
        // data, its partial block is cut elsewhere than the claim's, so any size is allowed for.
        const std::uint64_t widestBlock = std::max<std::uint64_t>(
            geometry.samplesPerBlock,
            AdpcmGeometry::FramesInBlock(geometry.blockAlign - 1U, channels));
        const std::uint64_t blocksPerWrite =
            std::min<std::uint64_t>(claimed.Blocks(), kBlocksPerTransfer);
        // Missing data decodes as silence.
        stage.input().Reserve(source.dataSize,
                              std::size_t{geometry.blockAlign} * kBlocksPerTransfer, 0);
        stage.output().Reserve(static_cast<std::size_t>(widestBlock * frameBytes * blocksPerWrite));
        stage.input().OpenAt(source.path, source.dataOffset);
        const AdpcmBlockPlan plan =
            geometry.Plan(static_cast<std::uint32_t>(stage.input().LimitToFile()));
        stage.output().Open(output);

        const std::uint64_t blocks = plan.Blocks();
        for (std::uint64_t b = 0; b < blocks; ++b) {
            const bool partial = b == plan.fullBlocks;
            const std::size_t bytes = partial ? plan.partialBytes : geometry.blockAlign;
            const std::uint32_t blockFrames =
                partial ? plan.partialFrames : geometry.samplesPerBlock;
            if (stage.Cancelled(b, blocks)) {
                return false;
            }
            auto* decoded = reinterpret_cast<std::int16_t*>(
                stage.output().Next(std::size_t{blockFrames} * frameBytes));
            const auto result =
                AdpcmBlockDecoder::Decode({stage.input().Next(bytes), bytes}, channels, blockFrames,
                                          {decoded, std::size_t{blockFrames} * channels});
            if (result != AdpcmBlockDecoder::Result::Decoded) {
                return stage.Fail(result == AdpcmBlockDecoder::Result::BadPredictor
                                      ? IDS_ADPCM_PREDICTOR
                                      : IDS_INVALID_FOR_CONVERSION);
            }
        }
        stage.Finish(Stage::Input::Keep);
        frames = plan.frames;
        return true;
    });
}

}  // namespace sonaro
