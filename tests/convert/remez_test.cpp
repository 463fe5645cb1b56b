// The equiripple design: a case solved by hand, the alternation that marks the optimum, and the
// shorter stored tables recomputed to the bit.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "convert/resampler/filter_tables.h"
#include "tests/convert/filter_test_support.h"
#include "tools/filter_design/band_pass_tables.h"
#include "tools/filter_design/remez.h"

namespace sonaro {
namespace {

using design::Band;
using design::DesignEquiripple;

TEST(Remez, ThreeTapsSolvedByHand) {
    // A(f) = h1 + 2 h0 cos(2 pi f) from 1 on [0, 0.1] to 0 on [0.4, 0.5]. The best line in
    // x = cos(2 pi f) through the symmetric bands is 1/2 + d x with the error levelled at the
    // four band edges: d = 1 / (1 + cos(0.2 pi)), deviation 1/2 - d cos(0.2 pi).
    const auto result = DesignEquiripple(3, {{0.0, 0.1, 1.0, 1.0}, {0.4, 0.5, 0.0, 1.0}}, 16, 1e-6);
    const double edge = std::cos(0.2 * std::numbers::pi);
    const double d = 1.0 / (1.0 + edge);
    ASSERT_EQ(result.taps.size(), 3U);
    EXPECT_NEAR(result.taps[0], d / 2, 1e-14);
    EXPECT_NEAR(result.taps[1], 0.5, 1e-14);
    EXPECT_EQ(result.taps[2], result.taps[0]);
    EXPECT_NEAR(result.deviation, 0.5 - d * edge, 1e-14);
}

TEST(Remez, RefusesWhatItCannotDesign) {
    const std::vector<Band> bands{{0.0, 0.2, 1.0, 1.0}, {0.3, 0.5, 0.0, 1.0}};
    EXPECT_THROW(DesignEquiripple(4, bands, 16, 0.0), std::runtime_error);
    EXPECT_THROW(DesignEquiripple(1, bands, 16, 0.0), std::runtime_error);
    EXPECT_THROW(DesignEquiripple(5, {{0.0, 0.6, 1.0, 1.0}}, 16, 0.0), std::runtime_error);
    EXPECT_THROW(DesignEquiripple(5, {{0.3, 0.2, 1.0, 1.0}}, 16, 0.0), std::runtime_error);
    EXPECT_THROW(DesignEquiripple(5, {{0.0, 0.2, 1.0, 0.0}}, 16, 0.0), std::runtime_error);
    EXPECT_THROW(design::DesignTable(44100), std::invalid_argument);
}

// The zero-phase amplitude of a symmetric filter, from its response computed here.
double Amplitude(const std::vector<double>& taps, double f) {
    const double centre = static_cast<double>(taps.size() / 2);
    return (test::Response(taps, f) * std::polar(1.0, 2.0 * std::numbers::pi * f * centre)).real();
}

TEST(Remez, ConvergedDesignAlternatesOnItsGrid) {
    // The optimum on a grid is marked by n + 1 points where the error reaches the deviation
    // with alternating signs, and by no point where it exceeds it.
    const int taps = 481;
    const double rate = 16000;
    const auto result = DesignEquiripple(taps, design::BandPassBands(16000), 16, 0.0);
    const double spacing = 0.5 / (16.0 * (taps + 1) / 2);
    int alternations = 0;
    double lastSign = 0.0;
    double largest = 0.0;
    for (const auto& band : design::BandPassBands(16000)) {
        for (double f = band.lower;; f += spacing) {
            const bool last = f + spacing > band.upper;
            const double at = last ? band.upper : f;
            const double error = band.desired - Amplitude(result.taps, at);
            largest = std::max(largest, std::fabs(error));
            if (std::fabs(error) >= result.deviation * (1 - 1e-6) &&
                std::copysign(1.0, error) != lastSign) {
                lastSign = std::copysign(1.0, error);
                ++alternations;
            }
            if (last) {
                break;
            }
        }
    }
    EXPECT_GE(alternations, (taps + 1) / 2 + 1);
    EXPECT_LE(largest, result.deviation * (1 + 1e-6));
    EXPECT_NEAR(result.deviation, 0.00166, 0.000005) << rate;
}

class ShortTable : public ::testing::TestWithParam<std::uint32_t> {};
INSTANTIATE_TEST_SUITE_P(Recomputed, ShortTable, ::testing::Values(16000U, 24000U, 32000U));

TEST_P(ShortTable, DesignGivesTheStoredTableToTheBit) {
    test::ExpectDesignGivesStoredTable(GetParam());
}

TEST_P(ShortTable, PlainRuleAgreesWithin2e8) {
    EXPECT_LT(test::PlainRuleDifference(GetParam()), 2e-8);
}

}  // namespace
}  // namespace sonaro
