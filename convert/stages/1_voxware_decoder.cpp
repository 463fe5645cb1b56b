#include "convert/stages/1_voxware_decoder.h"

#include <algorithm>
#include <limits>

#include "convert/codecs/codec_session.h"

namespace sonaro {
namespace {

constexpr std::uint32_t kBlockBytes = 27;  // one Voxware block
constexpr std::uint32_t kSampleBytes = 2;  // the codec's PCM is 16-bit mono
// The file is read and the samples written this many blocks at a time.
constexpr std::size_t kBlocksPerTransfer = 64;

}  // namespace

bool VoxwareToPcm16(StageContext& context, BarShare bar, CodecManager& codecs,
                    const VoxwareSource& source, const std::string& output, std::uint32_t& frames) {
    Stage stage(context, bar);
    // Outside the work: after a file error the stream is closed once the user has been told.
    CodecSession session(codecs);
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    if (codecs.FormatSuggest(source.format, pcm) != 0 ||
        !session.Open(source.format, pcm, kBlockBytes, kSampleBytes)) {
        return stage.Fail(IDS_VOXWARE_CONVERSION);
    }
    return stage.Run([&] {
        if (!session.Prepare()) {
            return stage.Fail(IDS_VOXWARE_CONVERSION);
        }
        stage.input().Reserve(source.dataSize, kBlockBytes * kBlocksPerTransfer, 0);
        stage.output().Reserve(std::size_t{session.pcmBytes()} * kBlocksPerTransfer);
        stage.input().OpenAt(source.path, source.dataOffset);
        const std::uint64_t blocks = stage.input().LimitToFile() / kBlockBytes;
        stage.output().Open(output);
        std::uint64_t count = 0;
        for (std::uint64_t i = 0; i < blocks; ++i) {
            if (stage.Cancelled(i, blocks)) {
                session.End();
                return false;
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
        stage.Finish(Stage::Input::Keep);
        if (!session.End()) {
            return stage.Fail(IDS_VOXWARE_CONVERSION);
        }
        frames = static_cast<std::uint32_t>(count);
        return true;
    });
}

}  // namespace sonaro
