#include "import/decoder/sound_decoder.h"

#include <optional>
#include <vector>

#include "import/decoder/rate_converter.h"
#include "import/import_plan.h"

namespace sonaro {
namespace {

constexpr std::size_t kBlockFrames = 8192;

// Sends the samples as they are.
void Copy(SoundSource& input, ReplyWriter& reply) {
    std::vector<std::int16_t> block(kBlockFrames * static_cast<std::size_t>(input.channels()));
    while (const std::size_t frames = input.Read(block.data(), kBlockFrames)) {
        const std::size_t samples = frames * static_cast<std::size_t>(input.channels());
        reply.Samples(input.Progress(), block.data(), samples * sizeof(std::int16_t));
    }
}

// Replaces the first frames of the block by the plain average of each frame's samples.
void MixToMono(float* block, std::size_t frames, int channels) {
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const float* samples = &block[frame * static_cast<std::size_t>(channels)];
        float sum = 0.0F;
        for (int channel = 0; channel < channels; ++channel) {
            sum += samples[channel];
        }
        block[frame] = sum / static_cast<float>(channels);
    }
}

// Sends the samples as floats, mixed and resampled as planned.
void Recode(SoundSource& input, const ImportPlan& plan, ReplyWriter& reply) {
    std::optional<RateConverter> converter;
    if (plan.rate != input.rate()) {
        converter.emplace(input.rate(), plan.rate, plan.channels);
    }
    const auto send = [&](const float* samples, std::size_t count) {
        reply.Samples(input.Progress(), samples, count * sizeof(float));
    };
    const auto width = static_cast<std::size_t>(input.channels());
    std::vector<float> block(kBlockFrames * width);
    while (const std::size_t frames = input.Read(block.data(), kBlockFrames)) {
        std::size_t count = frames * width;
        if (plan.channels != input.channels()) {
            MixToMono(block.data(), frames, input.channels());
            count = frames;
        }
        if (converter) {
            converter->Process(block.data(), frames, send);
        } else {
            send(block.data(), count);
        }
    }
    if (converter) {
        converter->Flush(send);
    }
}

}  // namespace

void DecodeSound(SoundSource& input, ReplyWriter& reply) {
    decoder::SourceFacts source;
    source.channels = static_cast<std::uint32_t>(input.channels());
    source.rate = input.rate();
    source.kind = input.kind();
    source.frames = input.frames();
    reply.Sound(source);
    const ImportPlan plan = PlanImport(input.channels(), input.rate(), input.kind());
    if (plan.copy) {
        Copy(input, reply);
    } else {
        Recode(input, plan, reply);
    }
    reply.End();
}

}  // namespace sonaro
