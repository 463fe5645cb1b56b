#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/stages/progress_reporter.h"
#include "import/decoder_protocol.h"
#include "import/import_plan.h"
#include "import/pcm_wave_writer.h"
#include "import/scratch_signal.h"

namespace sonaro {

// The PCM WAV file an import writes from the decoder's samples. Copied samples go straight into
// it; decoded ones first into a scratch signal beside it (the target's path and ".scratch"),
// then, once all have come, are scaled so that their peak is 32767 (silence stays silence).
class ImportedWave {
  public:
    // Refuses a source whose announced length gives a file too long for WAV, before any file is
    // made (ImportFailure); then creates the target and, for decoded samples, the scratch file
    // (FileException when it cannot).
    ImportedWave(const decoder::SourceFacts& source, const ImportPlan& plan,
                 const std::string& target);

    // Adds samples in the plan's encoding (16-bit integers when copied, else floats), whole
    // frames. Throws ImportFailure when the sound grows too long for a WAV file.
    void Add(const std::uint8_t* samples, std::size_t bytes);
    // The bar's position for that share of the input decoded (millionths): all of the bar when
    // the samples are copied, most of it when a scaling pass follows.
    int Position(std::uint32_t progress) const;
    // Completes the file (the scaling pass, the header); answers false when the user cancelled.
    // Throws ImportFailure when no sound came.
    bool Finish(ProgressReporter& reporter);

  private:
    bool Scale(ProgressReporter& reporter);

    ImportPlan plan_;
    PcmWaveWriter output_;
    std::optional<ScratchSignal> scratch_;
    std::vector<std::int16_t> integers_;
    std::vector<float> floats_;
};

}  // namespace sonaro
