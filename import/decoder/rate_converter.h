#pragma once

#include <soxr.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace sonaro {

// Changes the sampling rate of interleaved float frames with soxr at its very-high quality
// setting. Frames go in block by block; what comes out is handed to a sink as soxr makes it, at
// most a chunk of 8192 frames at a time, so that memory stays bounded whatever the ratio.
class RateConverter {
  public:
    // Receives count interleaved samples (whole frames).
    using Sink = std::function<void(const float* samples, std::size_t count)>;

    // Throws ImportFailure with soxr's reason when the converter cannot be made.
    RateConverter(std::uint32_t inputRate, std::uint32_t outputRate, int channels);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // Feeds count frames; the frames that are ready (possibly none) go to the sink.
    void Process(const float* frames, std::size_t count, const Sink& sink);
    // Ends the input; the frames that were still held back go to the sink.
    void Flush(const Sink& sink);

  private:
    // One soxr call on frames (null: the end of the input); answers the frames used and hands
    // the frames made, if any, to the sink.
    std::size_t Step(const float* frames, std::size_t count, const Sink& sink, std::size_t& made);

    soxr_t soxr_ = nullptr;
    std::size_t channels_;
    std::vector<float> chunk_;
};

}  // namespace sonaro
