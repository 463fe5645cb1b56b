#include "import/import_plan.h"

#include <gtest/gtest.h>
#include <sndfile.h>

namespace sonaro {
namespace {

struct RateCase {
    std::uint32_t rate;
    std::uint32_t expected;
};

class ImportRateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(ImportRateTest, AcceptedRateKeptOtherRaisedToNextAccepted) {
    EXPECT_EQ(ImportRate(GetParam().rate), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rates, ImportRateTest,
                         ::testing::Values(RateCase{1, 8000}, RateCase{7999, 8000},
                                           RateCase{8000, 8000}, RateCase{8001, 11025},
                                           RateCase{8012, 8012}, RateCase{8013, 11025},
                                           RateCase{11025, 11025}, RateCase{11026, 12000},
                                           RateCase{44101, 48000}, RateCase{48000, 48000},
                                           RateCase{48001, 48000}, RateCase{192000, 48000}));

struct PlanCase {
    int channels;
    std::uint32_t rate;
    int subtype;
    ImportPlan expected;
};

class PlanImportTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PlanImportTest, CopiesOnlyEightAndSixteenBitThatNeedNothingElse) {
    const PlanCase& c = GetParam();
    const ImportPlan plan = PlanImport(c.channels, c.rate, c.subtype);
    EXPECT_EQ(plan.channels, c.expected.channels);
    EXPECT_EQ(plan.rate, c.expected.rate);
    EXPECT_EQ(plan.bits, c.expected.bits);
    EXPECT_EQ(plan.copy, c.expected.copy);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, PlanImportTest,
    ::testing::Values(PlanCase{2, 44100, SF_FORMAT_PCM_16, {2, 44100, 16, true}},
                      PlanCase{1, 8000, SF_FORMAT_PCM_U8, {1, 8000, 8, true}},
                      PlanCase{2, 8012, SF_FORMAT_PCM_S8, {2, 8012, 8, true}},
                      PlanCase{1, 22050, SF_FORMAT_PCM_24, {1, 22050, 16, false}},
                      PlanCase{2, 48000, SF_FORMAT_FLOAT, {2, 48000, 16, false}},
                      PlanCase{2, 44100, SF_FORMAT_VORBIS, {2, 44100, 16, false}},
                      PlanCase{3, 44100, SF_FORMAT_PCM_16, {1, 44100, 16, false}},
                      PlanCase{6, 8000, SF_FORMAT_PCM_U8, {1, 8000, 16, false}},
                      PlanCase{1, 96000, SF_FORMAT_PCM_U8, {1, 48000, 16, false}}));

}  // namespace
}  // namespace sonaro
