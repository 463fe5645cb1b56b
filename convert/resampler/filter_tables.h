#pragma once

#include <cstdint>

namespace sonaro {

// A band-pass filter of the resampler: the impulse response at its filter rate (the input rate
// times the up-sampling factor), odd in length and exactly symmetric.
struct FilterTable {
    std::uint32_t filterRate;
    const float* taps;
    std::uint32_t size;
};

// The table for a filter rate (88200, 48000, 32000, 24000 or 16000 Hz); nullptr for any other.
const FilterTable* FindFilterTable(std::uint32_t filterRate);

}  // namespace sonaro
