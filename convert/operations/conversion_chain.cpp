#include "convert/operations/conversion_chain.h"

#include "convert/files/file.h"
#include "convert/stages/1_adpcm_decoder.h"
#include "convert/stages/1_voxware_decoder.h"
#include "convert/stages/2_mono_mixer.h"
#include "convert/stages/3_resampler.h"
#include "convert/stages/4_normaliser.h"
#include "convert/stages/5_alaw_file_writer.h"
#include "convert/stages/side_by_side.h"

namespace sonaro {
namespace {

// The bar, 0 to 100, as the stages share it. A stage's report after block i of n moves it to
// base + span × i ÷ n (truncated). A PCM source has no decoding: its bar starts at 3.
constexpr BarShare kDecodeBar{0, 3};      // 0 to 2, over the blocks of the source
constexpr BarShare kMixBar{3, 2};         // 3 to 4, over chunks of 2000 frames
constexpr BarShare kResampleBar{5, 85};   // 5 to 89, over the filter positions
constexpr BarShare kNormaliseBar{90, 8};  // 90 to 94 finding the peak, 95 to 97 encoding
constexpr BarShare kWriteBar{98, 2};      // 98 to 99, over blocks of 8000 codes

}  // namespace

ConversionChain::ConversionChain(const SoundDescription& source, const ConvertOptions& options) {
    const std::string& temp1 = files_[0] = options.directory.FilePath("SN_1_tmp.tmp");
    const std::string& temp2 = files_[1] = options.directory.FilePath("SN_2_tmp.tmp");
    const std::string& temp3 = files_[2] = options.directory.FilePath("SN_3_tmp.tmp");
    const WaveFormat& format = source.format;
    const bool pcm = format.formatTag == WAVE_FORMAT_PCM;
    if (pcm) {
        firstCount_ = source.dataSize / format.channels / (format.bitsPerSample / 8U);
    } else {
        firstCount_ = source.dataSize;
        const StageInput data{source.path, source.dataOffset, 0, false};
        if (format.formatTag == WAVE_FORMAT_ADPCM) {
            const AdpcmGeometry geometry{static_cast<std::uint8_t>(format.channels),
                                         format.blockAlign, source.samplesPerBlock};
            Add(std::make_unique<AdpcmDecoder>(geometry), data, temp3, kDecodeBar);
            besideFrames_ = geometry.Plan(firstCount_).frames;
        } else {
            Add(std::make_unique<VoxwareDecoder>(options.codecs, format), data, temp3, kDecodeBar);
        }
    }
    // A decoded source is mixed from its 16-bit samples, which the mix consumes.
    mixStep_ = steps_.size();
    besideFrom_ = pcm || besideFrames_ == 0 ? mixStep_ : 0;
    Add(std::make_unique<MonoMixer>(format.channels, pcm ? format.bitsPerSample : 16U),
        pcm ? StageInput{source.path, source.dataOffset, 0, false} : StageInput{temp3, 0, 0, true},
        temp1, kMixBar);
    auto resampler = std::make_unique<Resampler>(format.samplesPerSec, options.threads);
    resampler_ = resampler.get();
    Add(std::move(resampler), {temp1, 0, 0, true}, temp2, kResampleBar);
    Add(std::make_unique<Normaliser>(options.volumeLevel), {temp2, 0, 0, true}, temp1,
        kNormaliseBar);
    Add(std::make_unique<ALawFileWriter>(), {temp1, 0, 0, true}, temp2, kWriteBar);
}

void ConversionChain::Add(std::unique_ptr<Stage> stage, StageInput input, const std::string& output,
                          BarShare bar) {
    steps_.push_back({std::move(stage), {std::move(input), output, bar}});
}

Outcome<SoundDescription> ConversionChain::Run(ProgressPort& progress) {
    std::uint32_t count = firstCount_;
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        Step& step = steps_[i];
        step.call.input.count = count;
        const bool beside =
            i == besideFrom_ && resampler_->UsesATeam(i == mixStep_ ? count : besideFrames_);
        for (std::size_t j = i; beside && j < steps_.size(); ++j) {
            steps_[j].call.input.closer = &closer_;
        }
        const Outcome<std::uint32_t> written =
            beside ? RunBeside(i, mixStep_ + 1, count, nullptr, progress)
                   : step.stage->Run(step.call, progress);
        i = beside ? mixStep_ + 1 : i;
        if (!written) {
            RemoveFiles();
            return written.failure();
        }
        count = *written;
    }
    return ALawResult(files_[1], count);
}

Outcome<std::uint32_t> ConversionChain::RunBeside(std::size_t first, std::size_t last,
                                                  std::uint32_t count, GrowingFile* growing,
                                                  ProgressPort& progress) {
    StageCall call = steps_[first].call;
    call.input.count = count;
    call.input.growing = growing;
    if (first == last) {
        return steps_[first].stage->Run(call, progress);
    }
    return RunSideBySide(
        *steps_[first].stage, call,
        [&](std::uint32_t frames, GrowingFile& file, ProgressPort& port) {
            return RunBeside(first + 1, last, frames, &file, port);
        },
        progress);
}

void ConversionChain::RemoveFiles() const {
    for (const std::string& file : files_) {
        File::RemoveIfPresent(file);
    }
}

}  // namespace sonaro
