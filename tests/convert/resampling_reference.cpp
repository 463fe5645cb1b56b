#include "tests/convert/resampling_reference.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <stdexcept>

#include "convert/resampler/filter_tables.h"

namespace sonaro::test {

const Rate& RateOf(std::uint32_t rate) {
    for (const Rate& r : kRates) {
        if (r.rate == rate) {
            return r;
        }
    }
    throw std::invalid_argument("rate");
}

std::vector<float> Noise(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(-32768.0f, 32767.0f);
    std::vector<float> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = i % 97 == 5 ? -0.0f : i % 89 == 7 ? 0.0f : value(random);
    }
    return samples;
}

std::vector<float> OrderSensitive(std::size_t count, const Rate& rate, unsigned seed) {
    std::vector<float> samples = Noise(count, seed);
    const std::uint64_t n = FindFilterTable(rate.filterRate)->size;
    for (std::uint64_t m = n / rate.down + 1;; m += 53) {
        const std::uint64_t k = m * rate.down;
        const std::uint64_t phase = k % rate.up;
        if ((2 * phase) % rate.up != (n - 1) % rate.up) {
            continue;
        }
        const std::uint64_t tap = phase + 3 * rate.up;  // meets x[i1]; tap n - 1 - tap meets x[i2]
        const std::uint64_t i1 = (k - tap) / rate.up;
        const std::uint64_t i2 = (k - (n - 1 - tap)) / rate.up;
        if (i1 >= count) {
            return samples;
        }
        samples[i1] = 1e18f;
        samples[i2] = -1e18f;
    }
}

std::vector<float> Sine(std::size_t count, double frequency, double rate, double amplitude) {
    std::vector<float> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * frequency *
                                                             static_cast<double>(i) / rate));
    }
    return samples;
}

std::vector<float> DirectResample(const std::vector<float>& x, const Rate& rate) {
    const FilterTable& table = *FindFilterTable(rate.filterRate);
    const std::size_t n = table.size;
    std::vector<float> upsampled((x.size() - 1) * rate.up + 1, 0.0f);
    for (std::size_t i = 0; i < x.size(); ++i) {
        upsampled[i * rate.up] = x[i];
    }
    const std::size_t total = n + upsampled.size() - 1;
    std::vector<float> y;
    for (std::size_t k = 0; k < total; k += rate.down) {
        double sum = 0.0;
        const std::size_t newest = std::min(k, upsampled.size() - 1);
        const std::size_t oldest = k >= n - 1 ? k - (n - 1) : 0;
        for (std::size_t i = newest + 1; i-- > oldest;) {
            sum += static_cast<double>(table.taps[k - i]) * static_cast<double>(upsampled[i]);
        }
        y.push_back(static_cast<float>(sum));
    }
    return y;
}

std::vector<float> ScalarResample(const std::vector<float>& x, const Rate& rate) {
    if (x.empty()) {
        return {};
    }
    const FilterTable& table = *FindFilterTable(rate.filterRate);
    const std::uint64_t n = table.size;
    const std::uint64_t total = n + std::uint64_t{rate.up} * (x.size() - 1);
    std::vector<float> y;
    for (std::uint64_t k = 0; k < total; k += rate.down) {
        const std::uint64_t hi = std::min<std::uint64_t>(k / rate.up, x.size() - 1);
        const std::uint64_t lo = k < n ? 0 : (k - n) / rate.up + 1;
        double sum = 0.0;
        for (std::uint64_t i = hi + 1; i-- > lo;) {
            const double product =
                static_cast<double>(table.taps[k - i * rate.up]) * static_cast<double>(x[i]);
            sum += product;
        }
        y.push_back(static_cast<float>(sum));
    }
    return y;
}

::testing::AssertionResult SameBits(const std::vector<float>& actual,
                                    const std::vector<float>& expected) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "size " << actual.size() << " instead of " << expected.size();
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (std::memcmp(&actual[i], &expected[i], sizeof(float)) != 0) {
            return ::testing::AssertionFailure()
                   << "sample " << i << ": " << actual[i] << " instead of " << expected[i];
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace sonaro::test
