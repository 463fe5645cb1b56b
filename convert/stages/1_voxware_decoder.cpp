#include "convert/stages/1_voxware_decoder.h"

#include <algorithm>
#include <limits>

#include "convert/codecs/codec_session.h"
#include "convert/stages/stage_work.h"

namespace sonaro {
namespace {

constexpr std::uint32_t kBlockBytes = 27;  // one Voxware block
constexpr std::uint32_t kSampleBytes = 2;  // the codec's PCM is 16-bit mono
// The file is read and the samples written this many blocks at a time.
constexpr std::size_t kBlocksPerTransfer = 64;

}  // namespace

Outcome<std::uint32_t> VoxwareDecoder::Run(const StageCall& call, ProgressPort& progress) const {
    CodecSession session(codecs_);
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    if (codecs_.FormatSuggest(format_, pcm) != 0 ||
        !session.Open(format_, pcm, kBlockBytes, kSampleBytes)) {
        return Failure::Of(IDS_VOXWARE_CONVERSION);
    }
    StageWork stage(call, progress);
    return stage.Run([&]() -> StageWork::Count {
        if (!session.Prepare()) {
            return stage.Fail(IDS_VOXWARE_CONVERSION);
        }
        stage.input().Reserve(call.input.count, kBlockBytes * kBlocksPerTransfer, 0);
        stage.output().Reserve(std::size_t{session.pcmBytes()} * kBlocksPerTransfer);
        stage.input().OpenAt(call.input.path, call.input.offset);
        const std::uint64_t blocks = stage.input().LimitToFile() / kBlockBytes;
        stage.output().Open(call.output);
        std::uint64_t count = 0;
        for (std::uint64_t i = 0; i < blocks; ++i) {
            if (stage.Cancelled(i, blocks)) {
                session.End();
                return std::nullopt;
            }
            std::copy_n(stage.input().Next(kBlockBytes), kBlockBytes, session.block());
            const auto decoded = session.Convert();
            if (!decoded || count + decoded->size() / kSampleBytes >
                                std::numeric_limits<std::uint32_t>::max()) {
                session.End();
                return stage.Fail(IDS_VOXWARE_CONVERSION);
            }
            stage.output().Append(decoded->data(), decoded->size());
            count += decoded->size() / kSampleBytes;
        }
        stage.Finish();
        if (!session.End()) {
            return stage.Fail(IDS_VOXWARE_CONVERSION);
        }
        return static_cast<std::uint32_t>(count);
    });
}

}  // namespace sonaro
