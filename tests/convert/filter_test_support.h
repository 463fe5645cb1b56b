#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "convert/resampler/filter_tables.h"
#include "tools/filter_design/band_pass_tables.h"

namespace sonaro::test {

// The frequency response sum h[n] e^{-j 2 pi f n} of an FIR filter at f cycles per sample, summed
// directly with a rotating phasor.
inline std::complex<double> Response(const std::vector<double>& taps, double frequency) {
    const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi * frequency);
    std::complex<double> phasor = 1.0;
    std::complex<double> sum = 0.0;
    for (const double tap : taps) {
        sum += tap * phasor;
        phasor *= step;
    }
    return sum;
}

// The largest |magnitude - gain| of a band-pass table in its bands: 0-50 Hz, 150-3900 Hz,
// 4000 Hz up to 20 Hz below half the rate, and those last 20 Hz.
struct TableErrors {
    double lowStop = 0.0;
    double pass = 0.0;
    double highStop = 0.0;
    double highStopBelowTop = 0.0;
    double top = 0.0;
};

inline double LargestError(const std::vector<double>& taps, double rate, double lower, double upper,
                           double gain) {
    // About 16 points per ripple, and at least 256 in a narrow band.
    const double spacing =
        std::min(rate / (16.0 * static_cast<double>(taps.size())), (upper - lower) / 256.0);
    double largest = 0.0;
    for (double f = lower; f < upper + spacing; f += spacing) {
        const double magnitude = std::abs(Response(taps, std::min(f, upper) / rate));
        largest = std::max(largest, std::fabs(magnitude - gain));
    }
    return largest;
}

inline TableErrors LargestBandErrors(const std::vector<double>& taps, double rate) {
    TableErrors errors;
    errors.lowStop = LargestError(taps, rate, 0.0, 50.0, 0.0);
    errors.pass = LargestError(taps, rate, 150.0, 3900.0, 1.0);
    errors.highStopBelowTop = LargestError(taps, rate, 4000.0, rate / 2 - 20.0, 0.0);
    errors.top = LargestError(taps, rate, rate / 2 - 20.0, rate / 2, 0.0);
    errors.highStop = std::max(errors.highStopBelowTop, errors.top);
    return errors;
}

// Designs the table of a filter rate again and expects the stored one to the bit, with the
// levelled error the rule gives (0.00166 for the shortest filter, 0.00170 for the others).
inline void ExpectDesignGivesStoredTable(std::uint32_t filterRate) {
    const FilterTable& stored = *FindFilterTable(filterRate);
    const auto designed = design::DesignTable(filterRate);
    ASSERT_EQ(designed.taps.size(), stored.size);
    for (std::uint32_t i = 0; i < stored.size; ++i) {
        ASSERT_EQ(designed.taps[i], stored.taps[i]) << i;
    }
    EXPECT_NEAR(designed.design.deviation, filterRate == 16000 ? 0.00166 : 0.00170, 0.000005);
}

// The largest difference between the stored table and the design by the plain rule, without
// the published program's use of extremal values for sample points near them.
inline double PlainRuleDifference(std::uint32_t filterRate) {
    const FilterTable& stored = *FindFilterTable(filterRate);
    const auto plain = design::DesignEquiripple(static_cast<int>(stored.size),
                                                design::BandPassBands(filterRate), 16, 0.0);
    double largest = 0.0;
    for (std::uint32_t i = 0; i < stored.size; ++i) {
        largest = std::max(largest, std::fabs(plain.taps[i] - stored.taps[i]));
    }
    return largest;
}

}  // namespace sonaro::test
