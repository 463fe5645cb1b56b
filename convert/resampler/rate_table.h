#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace sonaro {

// How an input rate reaches 8000 Hz: up-sample by up, filter at filterRate (up × the input rate),
// keep every down-th value. A filter rate of 0 means the samples are copied as they are.
struct RateRatio {
    std::uint32_t inputRate;
    std::uint32_t up;
    std::uint32_t down;
    std::uint32_t filterRate;

    constexpr bool Copied() const { return filterRate == 0; }
};

// The rates a source may have, each with its ratio. 8012 Hz is copied and later labelled 8000 Hz;
// the 44.1 kHz family uses 8/11 and comes out at 8018.18 Hz.
inline constexpr RateRatio kRateTable[] = {
    {8000, 1, 1, 0},       {8012, 1, 1, 0},       {11025, 8, 11, 88200}, {12000, 2, 3, 24000},
    {16000, 1, 2, 16000},  {22050, 4, 11, 88200}, {24000, 1, 3, 24000},  {32000, 1, 4, 32000},
    {44100, 2, 11, 88200}, {48000, 1, 6, 48000},
};

// The ratio of an input rate; nullptr for a rate not in the table.
constexpr const RateRatio* FindRateRatio(std::uint32_t inputRate) {
    for (const RateRatio& ratio : kRateTable) {
        if (ratio.inputRate == inputRate) {
            return &ratio;
        }
    }
    return nullptr;
}

// The down factors of the rates that are filtered, each once, in the order of the table: the
// first count of values.
struct DownFactors {
    std::array<std::uint32_t, std::size(kRateTable)> values{};
    std::size_t count = 0;
};
inline constexpr DownFactors kDownFactors = [] {
    DownFactors factors;
    for (const RateRatio& ratio : kRateTable) {
        const auto end = factors.values.begin() + factors.count;
        if (!ratio.Copied() && std::find(factors.values.begin(), end, ratio.down) == end) {
            factors.values[factors.count++] = ratio.down;
        }
    }
    return factors;
}();

}  // namespace sonaro
