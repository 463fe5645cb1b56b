#include "convert/operations/info_text.h"

#include <gtest/gtest.h>

namespace sonaro {
namespace {

TEST(FormatPlaybackTime, RoundsToHundredthsWithCarries) {
    const struct {
        float seconds;
        const char* shown;
    } cases[] = {{0.0F, "00:00.00"},     {3.5F, "00:03.50"},     {65.996F, "01:06.00"},
                 {59.999F, "01:00.00"},  {754.25F, "12:34.25"},  {1.0125F, "00:01.01"},
                 {0.994F, "00:00.99"},   {0.995F, "00:01.00"},   {119.996F, "02:00.00"},
                 {6000.0F, "100:00.00"}, {15360.5F, "256:00.50"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatPlaybackTime(c.seconds), c.shown) << c.seconds;
    }
}

TEST(InfoText, LabelsAndValues) {
    FormatRecord record;
    record.formatName = "PCM";
    record.sizeKB = 104;
    record.playbackSeconds = 3.5F;
    record.samplesPerSec = 44100;
    record.channels = 2;
    record.bitsPerSample = 16;
    const std::array<std::string, kInfoLines> labels = {
        "Format:", "Size:", "Playback time:", "Sampling rate:", "Channels:", "Bit depth:"};
    EXPECT_EQ(InfoLabels(), labels);
    const std::array<std::string, kInfoLines> values = {"PCM",      "104 kB", "00:03.50",
                                                        "44100 Hz", "stereo", "16 bits"};
    EXPECT_EQ(InfoValues(record), values);
    record.channels = 1;
    EXPECT_EQ(InfoValues(record)[4], "mono");
    record.channels = 3;  // any count but one is shown as stereo
    EXPECT_EQ(InfoValues(record)[4], "stereo");
}

}  // namespace
}  // namespace sonaro
