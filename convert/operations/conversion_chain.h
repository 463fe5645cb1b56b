#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
// runs beside it, writing SN_1_tmp.tmp as the resampler reads it, and the bar skips 3-4.
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

    std::vector<Step> steps_;
    std::size_t mixStep_ = 0;               // the resampler's is the next
    const Resampler* resampler_ = nullptr;  // steps_[mixStep_ + 1]
    std::uint32_t firstCount_ = 0;
    std::string files_[3];  // SN_1_tmp.tmp, SN_2_tmp.tmp, SN_3_tmp.tmp
};

}  // namespace sonaro
