#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace sonaro::test {

// The rates the stage resamples, with the factors and filter it must use.
struct Rate {
    std::uint32_t rate;
    std::uint32_t up;
    std::uint32_t down;
    std::uint32_t filterRate;
};
inline constexpr Rate kRates[] = {
    {11025, 8, 11, 88200}, {12000, 2, 3, 24000}, {16000, 1, 2, 16000},  {22050, 4, 11, 88200},
    {24000, 1, 3, 24000},  {32000, 1, 4, 32000}, {44100, 2, 11, 88200}, {48000, 1, 6, 48000},
};
const Rate& RateOf(std::uint32_t rate);

// Sound-like samples on the scale of 16-bit PCM, with some exact zeros of both signs.
std::vector<float> Noise(std::size_t count, unsigned seed);

// Noise with pairs of huge samples of opposite sign placed so that, in some outputs, they meet
// taps of equal value (the filter is symmetric) and cancel exactly. Such an output is the sum of
// the small terms plus what rounding took from them while the huge term was in the sum, which
// depends on the order of the sum in every bit.
std::vector<float> OrderSensitive(std::size_t count, const Rate& rate, unsigned seed);

std::vector<float> Sine(std::size_t count, double frequency, double rate, double amplitude);

// The definition, computed the slow way: insert up - 1 zeros after every input, convolve with the
// whole filter (every term, zeros included, newest first, from 0.0 in double precision) and keep
// every down-th value of the full convolution.
std::vector<float> DirectResample(const std::vector<float>& x, const Rate& rate);

// The plain loop: each output on its own, over the inputs it meets, newest first, from 0.0 in
// double precision, one multiply and one add per term.
std::vector<float> ScalarResample(const std::vector<float>& x, const Rate& rate);

// Success when both hold the same floats, bit for bit; else where they first differ.
::testing::AssertionResult SameBits(const std::vector<float>& actual,
                                    const std::vector<float>& expected);

}  // namespace sonaro::test
