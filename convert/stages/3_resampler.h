#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/stages/stage.h"

namespace sonaro {

// The resampler reads its input in windows: a team's threads one each, of this many samples
// together, and a single thread one a quarter as long: it needs no long spans to keep another
// thread busy, and its smaller rows and window are less memory to touch.
inline constexpr std::size_t kResamplerWindowSamples = 65536;
inline constexpr std::size_t kResamplerSingleWindowSamples = kResamplerWindowSamples / 4;
// The window of each thread of a team of that many: the team's share, but never shorter than
// the single thread's. Two threads that share a core's caches (hyperthreads) then keep their
// rows and windows in them.
std::size_t ResamplerWindowSamples(unsigned threads);

// The stage after the mix: reads the input's count of mono float samples at the rate it was made
// for and writes them at (about) 8000 Hz, band-limited to 150-3900 Hz, with the filter's full
// lead-in and run-out, in whole blocks of 2000 samples (32 at a time; a stop leaves only whole
// blocks written); hands back the samples written. 8000 and 8012 Hz inputs are copied unchanged,
// the bar does not move and the input stays (the next stage overwrites it). A rate without a
// filter fails with "File is invalid for conversion.". The sums are shared out over
// ResamplerThreads(count, rate, threads) threads; the output is the same for any number. The
// calling thread alone reports progress.
class Resampler final : public Stage {
  public:
    explicit Resampler(std::uint32_t inputRate, unsigned threads = 0)
        : inputRate_(inputRate), threads_(threads) {}
    Outcome<std::uint32_t> Run(const StageCall& call, ProgressPort& progress) const override;
    // Whether the sums of that many inputs are shared out over more than one thread.
    bool UsesATeam(std::uint32_t inputCount) const;

  private:
    std::uint32_t inputRate_;
    unsigned threads_;
};

// The threads the sums of inputCount samples at inputRate are shared over when that many are
// asked for: as asked, and for 0 the team's share of the processors (0), except for an input
// short enough (under about 50 s at 44.1 kHz) that one thread finishes first (1).
unsigned ResamplerThreads(std::uint32_t inputCount, std::uint32_t inputRate, unsigned threads);

}  // namespace sonaro
