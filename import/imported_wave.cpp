#include "import/imported_wave.h"

#include <cmath>
#include <cstring>

#include "import/import_failure.h"

namespace sonaro {
namespace {

constexpr std::size_t kBlockSamples = 8192;

// The bar's share of the decoding pass when a scaling pass follows it.
constexpr int kDecodeShare = 90;

void CheckLength(const decoder::SourceFacts& source, const ImportPlan& plan) {
    if (source.frames < 0) {
        return;
    }
    const double frames = static_cast<double>(source.frames) * plan.rate / source.rate;
    if (frames * plan.channels * (plan.bits / 8) >
        static_cast<double>(PcmWaveWriter::kMaxDataBytes)) {
        throw ImportFailure(kTooLongForWav);
    }
}

// Checks the length before the writer creates the target.
const ImportPlan& Checked(const decoder::SourceFacts& source, const ImportPlan& plan) {
    CheckLength(source, plan);
    return plan;
}

}  // namespace

ImportedWave::ImportedWave(const decoder::SourceFacts& source, const ImportPlan& plan,
                           const std::string& target)
    : plan_(Checked(source, plan)), output_(target, plan.channels, plan.rate, plan.bits) {
    if (!plan_.copy) {
        scratch_.emplace(target + ".scratch");
    }
}

void ImportedWave::Add(const std::uint8_t* samples, std::size_t bytes) {
    if (plan_.copy) {
        integers_.resize(bytes / sizeof(std::int16_t));
        std::memcpy(integers_.data(), samples, bytes);
        output_.Write(integers_.data(), integers_.size());
        return;
    }
    floats_.resize(bytes / sizeof(float));
    // The scaling pass makes 2 bytes of each sample.
    if ((scratch_->count() + floats_.size()) * 2 > PcmWaveWriter::kMaxDataBytes) {
        throw ImportFailure(kTooLongForWav);
    }
    std::memcpy(floats_.data(), samples, bytes);
    scratch_->Append(floats_.data(), floats_.size());
}

int ImportedWave::Position(std::uint32_t progress) const {
    const int share = plan_.copy ? 100 : kDecodeShare;
    return static_cast<int>(std::uint64_t{progress} * share / decoder::kProgressScale);
}

bool ImportedWave::Finish(ProgressReporter& reporter) {
    const bool none = plan_.copy ? output_.dataBytes() == 0 : scratch_->count() == 0;
    if (none) {
        throw ImportFailure("The file holds no sound.");
    }
    if (!plan_.copy && !Scale(reporter)) {
        return false;
    }
    output_.Finish();
    return true;
}

bool ImportedWave::Scale(ProgressReporter& reporter) {
    ScratchSignal& scratch = *scratch_;
    const double factor = scratch.peak() > 0.0F ? 32767.0 / scratch.peak() : 0.0;
    const std::uint64_t total = scratch.count();
    std::vector<float> block(kBlockSamples);
    std::vector<std::int16_t> samples(kBlockSamples);
    scratch.Rewind();
    std::uint64_t done = 0;
    while (const std::size_t count = scratch.Read(block.data(), block.size())) {
        for (std::size_t i = 0; i < count; ++i) {
            samples[i] = static_cast<std::int16_t>(std::lround(block[i] * factor));
        }
        output_.Write(samples.data(), count);
        done += count;
        const auto share = static_cast<double>(done) / static_cast<double>(total);
        if (reporter.Report(kDecodeShare + static_cast<int>((100 - kDecodeShare) * share))) {
            return false;
        }
    }
    return true;
}

}  // namespace sonaro
