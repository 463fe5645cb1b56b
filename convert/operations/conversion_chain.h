#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/files/background_closer.h"
#include "convert/operations/operations.h"
#include "convert/stages/3_resampler.h"
#include "convert/stages/stage.h"

namespace sonaro {

// The stages a source is converted by, in the order they run, over the private directory's files:
// a decoder (Microsoft ADPCM, Voxware) into SN_3_tmp.tmp, the mix into SN_1_tmp.tmp, the resampler
// into SN_2_tmp.tmp, the normaliser into SN_1_tmp.tmp and the writer into SN_2_tmp.tmp, the
// result. Each reads what the one before it wrote, as many frames as it handed back; a PCM source
// is mixed from its own data. They share the bar: 0-2 decoding, 3-4 mixing, 5-89 resampling,
// 90-97 normalising, 98-99 writing. When the resampler shares its sums out over a team, the mix
// runs beside it, writing SN_1_tmp.tmp as the resampler reads it, and a Microsoft ADPCM decoder
// beside the mix in turn; the bar then shows the resampler's share first.
class ConversionChain {
  public:
    // Plans the stages; throws FileException when the private directory cannot be made.
    ConversionChain(const SoundDescription& source, const ConvertOptions& options);

    // Runs the stages; the result's description, or the failure of the stage that stopped.
    Outcome<SoundDescription> Run(ProgressPort& progress);
    // Removes every file the chain may have made.
    void RemoveFiles() const;

  private:
    struct Step {
        std::unique_ptr<Stage> stage;
        StageCall call;
    };
    void Add(std::unique_ptr<Stage> stage, StageInput input, const std::string& output,
             BarShare bar);
    // Runs steps first to last at once, each beside the one after it, from count frames of the
    // first's input (a file still growing when given).
    Outcome<std::uint32_t> RunBeside(std::size_t first, std::size_t last, std::uint32_t count,
                                     GrowingFile* growing, ProgressPort& progress);

    std::vector<Step> steps_;
    std::size_t mixStep_ = 0;               // the resampler's is the next
    const Resampler* resampler_ = nullptr;  // steps_[mixStep_ + 1]
    // The first step that may run beside the ones after it, up to the resampler, and the frames
    // the resampler then reads (0: those the step before the mix hands back).
    std::size_t besideFrom_ = 0;
    std::uint32_t besideFrames_ = 0;
    std::uint32_t firstCount_ = 0;
    std::string files_[3];  // SN_1_tmp.tmp, SN_2_tmp.tmp, SN_3_tmp.tmp
    // When the stages run beside each other, there are processors to spare: the files they have
    // consumed are closed, and their pages freed, on the side (the last by the chain's end).
    BackgroundCloser closer_;
};

}  // namespace sonaro
