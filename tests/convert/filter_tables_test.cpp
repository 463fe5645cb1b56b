// The resampler's filter tables as stored, measured with a frequency response computed here, and
// the equiripple design that made them, recomputed.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <fstream>
#include <numbers>
#include <sstream>

#include "convert/resampler/filter_tables.h"
#include "tests/convert/filter_test_support.h"
#include "tests/support/run_process.h"
#include "tools/filter_design/band_pass_tables.h"
#include "tools/filter_design/remez.h"

namespace sonaro {
namespace {

using design::kTableShapes;

class StoredTable : public ::testing::TestWithParam<std::uint32_t> {
  protected:
    const FilterTable& table() const { return *FindFilterTable(GetParam()); }
    double rate() const { return GetParam(); }
    std::vector<double> taps() const {
        return std::vector<double>(table().taps, table().taps + table().size);
    }
};

INSTANTIATE_TEST_SUITE_P(EveryRate, StoredTable,
                         ::testing::Values(88200U, 48000U, 32000U, 24000U, 16000U));

TEST(FilterTables, OnlyTheFiveRatesHaveOne) {
    for (const auto& shape : kTableShapes) {
        const FilterTable* table = FindFilterTable(shape.filterRate);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->filterRate, shape.filterRate);
        EXPECT_EQ(table->size, static_cast<std::uint32_t>(shape.taps));
    }
    for (const std::uint32_t rate : {0U, 8000U, 44100U, 88201U}) {
        EXPECT_EQ(FindFilterTable(rate), nullptr) << rate;
    }
}

TEST_P(StoredTable, IsOddExactlySymmetricAndLargestInTheCentre) {
    const FilterTable& t = table();
    ASSERT_EQ(t.size % 2, 1U);
    for (std::uint32_t i = 0; i < t.size / 2; ++i) {
        ASSERT_EQ(std::memcmp(&t.taps[i], &t.taps[t.size - 1 - i], sizeof(float)), 0) << i;
    }
    const std::uint32_t centre = t.size / 2;
    for (std::uint32_t i = 0; i < t.size; ++i) {
        if (i != centre) {
            ASSERT_LT(t.taps[i], t.taps[centre]) << i;
        }
    }
    EXPECT_NEAR(t.taps[centre] / (2.0 * 3850.0 / rate()), 1.0, 2e-4);
    EXPECT_NEAR(static_cast<double>(t.size) / (0.0295 * rate()), 1.0, 0.025) << "taps per hertz";
}

TEST(FilterTables, TellingValuesAreStoredExactly) {
    const struct {
        std::uint32_t rate;
        std::uint32_t centre;
        float h0, h1, hc2, hc1, hc;
    } cases[] = {
        {88200, 1300, 0.000846124953f, -0.0000110497913f, 0.0826593563f, 0.0861333534f,
         0.0873133913f},
        {48000, 710, 0.000436477625f, -0.000401773577f, 0.13263011f, 0.153199747f, 0.160436213f},
        {32000, 475, 0.00025548265f, -0.000457316171f, 0.152900025f, 0.216636464f, 0.24065432f},
        {24000, 355, 0.000281059532f, 0.0000748005041f, 0.131569773f, 0.2652601f, 0.320872217f},
        {16000, 240, 0.000852872268f, -0.000074014788f, -0.00612704642f, 0.305792809f,
         0.481243283f},
    };
    for (const auto& c : cases) {
        const FilterTable& t = *FindFilterTable(c.rate);
        ASSERT_EQ(t.size / 2, c.centre);
        EXPECT_EQ(t.taps[0], c.h0) << c.rate;
        EXPECT_EQ(t.taps[1], c.h1) << c.rate;
        EXPECT_EQ(t.taps[c.centre - 2], c.hc2) << c.rate;
        EXPECT_EQ(t.taps[c.centre - 1], c.hc1) << c.rate;
        EXPECT_EQ(t.taps[c.centre], c.hc) << c.rate;
    }
}

TEST_P(StoredTable, DirectCurrentAndOneHundredHertz) {
    double sum = 0.0;
    for (const double tap : taps()) {
        sum += tap;
    }
    EXPECT_NEAR(sum, -0.0017, 0.00005);
    EXPECT_NEAR(std::abs(test::Response(taps(), 100.0 / rate())), 0.51, 0.002);
}

TEST_P(StoredTable, RippleIsLevelledInEveryBand) {
    const double levelled = GetParam() == 16000 ? 0.00166 : 0.00170;
    const auto errors = test::LargestBandErrors(taps(), rate());
    for (const double error : {errors.lowStop, errors.pass, errors.highStopBelowTop}) {
        EXPECT_GE(error, levelled * 0.995);
        EXPECT_LE(error, levelled * 1.04);
    }
    EXPECT_LT(20.0 * std::log10(1.0 + errors.pass), 0.015) << "pass band flat within 0.015 dB";
}

TEST_P(StoredTable, StopBandsAreAtLeast55DecibelsDown) {
    const auto errors = test::LargestBandErrors(taps(), rate());
    EXPECT_LT(20.0 * std::log10(errors.lowStop), -55.0);
    EXPECT_LT(20.0 * std::log10(errors.highStopBelowTop), -55.0);
    if (GetParam() == 88200) {
        // Only the longest filter rises in the last 20 Hz below half its rate.
        EXPECT_NEAR(errors.top, 0.0039, 0.0001);
    } else {
        EXPECT_LT(20.0 * std::log10(errors.top), -55.0);
    }
}

// The header of the generated file states the measured figures of each table; they must be true.
TEST(FilterTables, SourceHeaderStatesTheMeasuredErrors) {
    std::ifstream file(std::string(SONARO_SOURCE_DIR) + "/convert/resampler/filter_tables.cpp");
    std::string line;
    int rows = 0;
    while (std::getline(file, line)) {
        unsigned rate = 0, taps = 0;
        double low = 0, pass = 0, high = 0, top = 0;
        if (std::sscanf(line.c_str(), "// %u %u %lf %lf %lf %lf", &rate, &taps, &low, &pass, &high,
                        &top) != 6) {
            continue;
        }
        const FilterTable& t = *FindFilterTable(rate);
        EXPECT_EQ(taps, t.size);
        // Measured here on another grid, so peaks are caught a little differently.
        const auto errors =
            test::LargestBandErrors(std::vector<double>(t.taps, t.taps + t.size), rate);
        EXPECT_NEAR(low, errors.lowStop, 2e-5) << rate;
        EXPECT_NEAR(pass, errors.pass, 2e-5) << rate;
        EXPECT_NEAR(high, errors.highStop, 2e-5) << rate;
        EXPECT_NEAR(top, errors.top, 2e-5) << rate;
        ++rows;
    }
    EXPECT_EQ(rows, 5);
}

TEST(FilterDesignProgram, PrintsOneCoefficientPerLine) {
    const auto result = test::RunProcess(SONARO_FILTER_DESIGN_PATH, {"--text", "16000"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const FilterTable& t = *FindFilterTable(16000);
    std::istringstream lines(result.out);
    std::string line;
    std::uint32_t i = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(i, t.size);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%.9g", static_cast<double>(t.taps[i]));
        ASSERT_EQ(line, expected) << i;
        ++i;
    }
    EXPECT_EQ(i, t.size);
}

TEST(FilterDesignProgram, RefusesOtherRatesAndArguments) {
    const auto rate = test::RunProcess(SONARO_FILTER_DESIGN_PATH, {"--text", "44100"});
    EXPECT_EQ(rate.exitCode, 1);
    EXPECT_EQ(rate.out, "");
    EXPECT_NE(rate.err.find("44100"), std::string::npos);
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{}, {"--text"}, {"--text", "16k"}, {"-x", "1"}}) {
        const auto usage = test::RunProcess(SONARO_FILTER_DESIGN_PATH, arguments);
        EXPECT_EQ(usage.exitCode, 2);
        EXPECT_NE(usage.err.find("usage:"), std::string::npos);
    }
}

}  // namespace
}  // namespace sonaro
