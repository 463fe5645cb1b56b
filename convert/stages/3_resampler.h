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

// The stage after the mix: reads inputCount mono float samples at inputRate from the input file
// and writes them at (about) 8000 Hz, band-limited to 150-3900 Hz, to the output file, with the
// filter's full lead-in and run-out, in whole blocks of 2000 samples (32 at a time; a cancel
// leaves only whole blocks written). 8000 and 8012 Hz inputs are copied unchanged and the input
// stays; otherwise the input file is removed on success. Answers false after telling the user
// why (file error, cancel, no memory, a rate without a filter); outputCount then is unchanged
// except on the copy path, where it is inputCount. The sums are shared out over
// ResamplerThreads(inputCount, inputRate, threads) threads; the output is the same for any
// number. The calling thread alone reports progress, and no other thread works between two of
// its reports.
bool MonoFloatsTo8000Hz(StageContext& context, BarShare bar, const std::string& output,
                        const std::string& input, std::uint32_t inputCount,
                        std::uint32_t& outputCount, std::uint32_t inputRate, unsigned threads = 0);

// The threads the sums of inputCount samples at inputRate are shared over when that many are
// asked for: as asked, and for 0 the team's share of the processors (0), except for an input
// short enough (under about 50 s at 44.1 kHz) that one thread finishes first (1).
unsigned ResamplerThreads(std::uint32_t inputCount, std::uint32_t inputRate, unsigned threads);

}  // namespace sonaro
