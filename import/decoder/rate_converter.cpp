#include "import/decoder/rate_converter.h"

#include "import/import_failure.h"

namespace sonaro {
namespace {

constexpr std::size_t kChunkFrames = 8192;

}  // namespace

RateConverter::RateConverter(std::uint32_t inputRate, std::uint32_t outputRate, int channels)
    : channels_(static_cast<std::size_t>(channels)), chunk_(kChunkFrames * channels_) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    soxr_ = soxr_create(inputRate, outputRate, static_cast<unsigned>(channels), &error, &io,
                        &quality, &runtime);
    if (error != nullptr) {
        soxr_delete(soxr_);
        throw ImportFailure(soxr_strerror(error));
    }
}

RateConverter::~RateConverter() {
    soxr_delete(soxr_);
}

void RateConverter::Process(const float* frames, std::size_t count, const Sink& sink) {
    while (count > 0) {
        std::size_t made = 0;
        const std::size_t used = Step(frames, count, sink, made);
        if (used == 0 && made == 0) {
            throw ImportFailure("The rate converter stopped taking samples.");
        }
        frames += used * channels_;
        count -= used;
    }
}

void RateConverter::Flush(const Sink& sink) {
    std::size_t made = 0;
    do {
        Step(nullptr, 0, sink, made);
    } while (made > 0);
}

std::size_t RateConverter::Step(const float* frames, std::size_t count, const Sink& sink,
                                std::size_t& made) {
    std::size_t used = 0;
    if (const soxr_error_t error =
            soxr_process(soxr_, frames, count, &used, chunk_.data(), kChunkFrames, &made)) {
        throw ImportFailure(soxr_strerror(error));
    }
    if (made > 0) {
        sink(chunk_.data(), made * channels_);
    }
    return used;
}

}  // namespace sonaro
