#include "import/sound_importer.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <optional>

#include "convert/stages/progress_reporter.h"
#include "import/import_failure.h"
#include "import/import_plan.h"
#include "import/pcm_wave_writer.h"
#include "import/rate_converter.h"
#include "import/scratch_signal.h"
#include "import/sound_source.h"
#include "import/stream_spool.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

constexpr std::size_t kBlockFrames = 8192;

// Endings that files of a container often have beside the one libsndfile names.
const std::map<int, std::vector<std::string>> kMoreExtensions = {
    {SF_FORMAT_AIFF, {"aif", "aifc"}},
    {SF_FORMAT_MPEG, {"mp3", "mp2"}},
    {SF_FORMAT_OGG, {"ogg", "opus"}},
};

// The bar's share of the decoding pass when a scaling pass follows it.
constexpr int kDecodeShare = 90;

// Refuses a source whose frame count, known in advance, gives a file too long for WAV, before
// any of it is decoded.
void CheckLength(const SoundSource& input, const ImportPlan& plan) {
    if (input.frames() < 0) {
        return;
    }
    const double frames = static_cast<double>(input.frames()) * plan.rate / input.rate();
    if (frames * plan.channels * (plan.bits / 8) >
        static_cast<double>(PcmWaveWriter::kMaxDataBytes)) {
        throw ImportFailure(kTooLongForWav);
    }
}

// Copies the samples as they are (the writer keeps 8-bit ones 8-bit).
bool Copy(SoundSource& input, PcmWaveWriter& output, ProgressReporter& reporter) {
    std::vector<std::int16_t> block(kBlockFrames * static_cast<std::size_t>(input.channels()));
    while (const std::size_t frames = input.Read(block.data(), kBlockFrames)) {
        output.Write(block.data(), frames * static_cast<std::size_t>(input.channels()));
        if (reporter.Report(static_cast<int>(100 * input.Progress()))) {
            return false;
        }
    }
    return true;
}

// Replaces the first frames of the block by the plain average of each frame's samples.
void MixToMono(std::vector<float>& block, std::size_t frames, int channels) {
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const float* samples = &block[frame * static_cast<std::size_t>(channels)];
        float sum = 0.0F;
        for (int channel = 0; channel < channels; ++channel) {
            sum += samples[channel];
        }
        block[frame] = sum / static_cast<float>(channels);
    }
    block.resize(frames);
}

// Decodes the source, mixes and resamples it as planned, into the scratch signal.
bool Decode(SoundSource& input, const ImportPlan& plan, ScratchSignal& scratch,
            ProgressReporter& reporter) {
    std::optional<RateConverter> converter;
    if (plan.rate != input.rate()) {
        converter.emplace(input.rate(), plan.rate, plan.channels);
    }
    const auto width = static_cast<std::size_t>(input.channels());
    std::vector<float> block;
    std::vector<float> converted;
    for (;;) {
        block.resize(kBlockFrames * width);
        const std::size_t frames = input.Read(block.data(), kBlockFrames);
        if (frames == 0) {
            break;
        }
        block.resize(frames * width);
        if (plan.channels != input.channels()) {
            MixToMono(block, frames, input.channels());
        }
        if (converter) {
            converter->Process(block.data(), frames, converted);
            block.swap(converted);
        }
        scratch.Append(block.data(), block.size());
        if (reporter.Report(static_cast<int>(kDecodeShare * input.Progress()))) {
            return false;
        }
    }
    if (converter) {
        converter->Flush(converted);
        scratch.Append(converted.data(), converted.size());
    }
    return true;
}

// Writes the scratch signal as 16-bit samples, its peak at 32767 (silence stays silence).
bool Scale(ScratchSignal& scratch, PcmWaveWriter& output, ProgressReporter& reporter) {
    const double factor = scratch.peak() > 0.0F ? 32767.0 / scratch.peak() : 0.0;
    const std::uint64_t total = scratch.count();
    std::vector<float> block(kBlockFrames);
    std::vector<std::int16_t> samples(kBlockFrames);
    scratch.Rewind();
    std::uint64_t done = 0;
    while (const std::size_t count = scratch.Read(block.data(), block.size())) {
        for (std::size_t i = 0; i < count; ++i) {
            samples[i] = static_cast<std::int16_t>(std::lround(block[i] * factor));
        }
        output.Write(samples.data(), count);
        done += count;
        const auto share = static_cast<double>(done) / static_cast<double>(total);
        if (reporter.Report(kDecodeShare + static_cast<int>((100 - kDecodeShare) * share))) {
            return false;
        }
    }
    return true;
}

bool Recode(SoundSource& input, const ImportPlan& plan, PcmWaveWriter& output,
            ProgressReporter& reporter, const std::string& scratchPath) {
    ScratchSignal scratch(scratchPath);
    return Decode(input, plan, scratch, reporter) && Scale(scratch, output, reporter);
}

// Runs the import; answers false when the user cancelled.
bool Run(const std::string& source, const std::string& target, ProgressReporter& reporter) {
    StreamSpool spool(target + ".spool");
    const bool stream = StreamSpool::IsStream(source);
    if (stream && !spool.Fill(source, reporter)) {
        return false;
    }
    SoundSource input(stream ? spool.path() : source);
    const ImportPlan plan = PlanImport(input.channels(), input.rate(), input.subtype());
    CheckLength(input, plan);
    PcmWaveWriter output(target, plan.channels, plan.rate, plan.bits);
    const bool done = plan.copy ? Copy(input, output, reporter)
                                : Recode(input, plan, output, reporter, target + ".scratch");
    if (!done) {
        return false;
    }
    if (output.dataBytes() == 0) {
        throw ImportFailure("The file holds no sound.");
    }
    output.Finish();
    return true;
}

}  // namespace

std::optional<Failure> SoundImporter::Import(const std::string& source, const std::string& target,
                                             ProgressPort& progress) {
    Failure failure = Failure::Of(IDS_CONVERSION_CANCELLED, source);
    ProgressReporter reporter(progress);
    try {
        if (Run(source, target, reporter)) {
            return std::nullopt;
        }
    } catch (const ImportFailure& reason) {
        failure = Failure::Words(reason.what(), source);
    } catch (const FileException& error) {
        failure = Failure::Words(std::strerror(error.osError()), source);
        failure.osError = error.osError();
    } catch (const std::bad_alloc&) {
        failure = Failure::Words("Not enough memory.", source);
    }
    std::remove(target.c_str());
    return failure;
}

// The endings libsndfile names for its containers, with their common others, sorted, each once
// (several containers share "wav").
std::vector<std::string> SoundImporter::FileExtensions() const {
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    std::vector<std::string> extensions;
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO format{};
        format.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &format, sizeof format);
        // Headerless files say nothing of their format and are never recognised.
        if (format.format != SF_FORMAT_RAW) {
            extensions.emplace_back(format.extension);
        }
        const auto more = kMoreExtensions.find(format.format);
        if (more != kMoreExtensions.end()) {
            extensions.insert(extensions.end(), more->second.begin(), more->second.end());
        }
    }
    std::sort(extensions.begin(), extensions.end());
    extensions.erase(std::unique(extensions.begin(), extensions.end()), extensions.end());
    return extensions;
}

}  // namespace sonaro
