#pragma once

#include <soxr.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sonaro {

// Changes the sampling rate of interleaved float frames with soxr at its very-high quality
// setting. Frames go in block by block; what comes out is handed back block by block.
class RateConverter {
  public:
    // Throws ImportFailure with soxr's reason when the converter cannot be made.
    RateConverter(std::uint32_t inputRate, std::uint32_t outputRate, int channels);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // Feeds count frames; output holds the frames that are ready (possibly none).
    void Process(const float* frames, std::size_t count, std::vector<float>& output);
    // Ends the input; output holds the frames that were still held back.
    void Flush(std::vector<float>& output);

  private:
    // One soxr call on frames (null: the end of the input); answers the frames used and appends
    // the frames made to output.
    std::size_t Step(const float* frames, std::size_t count, std::vector<float>& output,
                     std::size_t& made);

    soxr_t soxr_ = nullptr;
    std::size_t channels_;
    std::vector<float> chunk_;
};

}  // namespace sonaro
