#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/filter_design/remez.h"

namespace sonaro::design {

// The resampler's filters: one per filter rate (the input rate times the up-sampling factor).
struct TableShape {
    std::uint32_t filterRate;
    int taps;
};
inline constexpr std::array<TableShape, 5> kTableShapes{
    {{88200, 2601}, {48000, 1421}, {32000, 951}, {24000, 711}, {16000, 481}}};

inline constexpr int kGridDensity = 16;
inline constexpr double kSnapDistance = 1e-6;

// Largest |amplitude - wanted gain| of a stored table in each band, and in the last 20 Hz below
// half the filter rate.
struct BandErrors {
    double lowStop = 0.0;
    double pass = 0.0;
    double highStop = 0.0;
    double top = 0.0;
};

struct DesignedTable {
    std::uint32_t filterRate = 0;
    EquirippleDesign design;  // in double precision
    std::vector<float> taps;  // as stored
    BandErrors errors;        // of the stored taps
};

// The three bands at a filter rate: 0-50 Hz gain 0, 150-3900 Hz gain 1, 4000 Hz to half the
// rate gain 0, all of weight 1.
std::vector<Band> BandPassBands(std::uint32_t filterRate);

// Designs the table of a filter rate of kTableShapes; throws std::invalid_argument for others.
DesignedTable DesignTable(std::uint32_t filterRate);

// Measures the stored taps band by band on a grid four times as dense as the design's.
BandErrors MeasureBandErrors(const std::vector<float>& taps, std::uint32_t filterRate);

// One coefficient per line, printed with nine significant digits.
std::string TableText(const DesignedTable& table);

// The C++ source file that holds the tables, with a header saying how they were made and what
// was measured.
std::string TableSource(const std::vector<DesignedTable>& tables);

}  // namespace sonaro::design
