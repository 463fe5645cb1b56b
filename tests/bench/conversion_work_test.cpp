// The work bench/run.sh's floor is made of: the resampler's outputs and multiply-adds and the
// bytes of the temporary files, for inputs described as RATE:CHANNELS:FRAMES:ENCODING.
#include <gtest/gtest.h>

#include <stdexcept>

#include "bench/conversion_work.h"
#include "convert/resampler/filter_tables.h"
#include "convert/resampler/rate_table.h"

namespace sonaro::bench {
namespace {

TEST(InputSpec, FieldsAndRefusals) {
    const InputSpec input = ParseInputSpec("44100:2:26460000:adpcm");
    EXPECT_EQ(input.rate, 44100U);
    EXPECT_EQ(input.channels, 2U);
    EXPECT_EQ(input.frames, 26460000U);
    EXPECT_TRUE(input.adpcm);
    EXPECT_FALSE(ParseInputSpec("8012:1:5:pcm").adpcm);
    for (const char* text :
         {"44100:2:100", "44100:2:100:mp3", "44100:2:100:pcm:x", "44101:2:1:pcm", "44100:0:1:pcm",
          "44100:2:0:pcm", "x:2:1:pcm", ":2:1:pcm", "44100:-2:1:pcm", ""}) {
        EXPECT_THROW(ParseInputSpec(text), std::invalid_argument) << text;
    }
}

// One second at each rate gives as many outputs as the resampling stage writes (its test knows
// them), and every output costs the taps its phase meets, counted from the filter's definition.
TEST(ConversionWork, OutputsAndMultiplyAddsOfOneSecond) {
    const struct {
        std::uint32_t rate;
        std::uint64_t outputs;
    } cases[] = {{16000, 8240}, {44100, 8255}, {11025, 8254}, {48000, 8237},
                 {12000, 8237}, {32000, 8238}, {8000, 8000},  {8012, 8012}};
    for (const auto& c : cases) {
        const ConversionWork work = WorkOf({c.rate, 1, c.rate, false});
        EXPECT_EQ(work.outputs, c.outputs) << c.rate;
        const RateRatio& ratio = *FindRateRatio(c.rate);
        std::uint64_t terms = 0;
        for (std::uint64_t m = 0; !ratio.Copied() && m < work.outputs; ++m) {
            // Output m meets the taps t of its filter position k = m × down with k - t a
            // multiple of up (the up-sampled zeros count too).
            for (std::uint64_t t = 0; t < FindFilterTable(ratio.filterRate)->size; ++t) {
                terms += t % ratio.up == m * ratio.down % ratio.up ? 1 : 0;
            }
        }
        EXPECT_EQ(work.multiplyAdds, terms) << c.rate;
    }
}

// Worked by hand: the ADPCM input decoded to 16-bit samples (written, read by the mix), the
// mono floats (written, read by the resampler), the resampled floats (written, read twice),
// the codes (written, read by the file writer) and the 58-byte headed A-law file.
TEST(ConversionWork, BytesOfTheTemporaryFiles) {
    const ConversionWork copied = WorkOf({8000, 1, 100, false});
    EXPECT_EQ(copied.bytesWritten, 400U + 400U + 100U + 100U + 58U);
    EXPECT_EQ(copied.bytesRead, 400U + 800U + 100U);
    const ConversionWork adpcm = WorkOf({44100, 2, 44100, true});
    EXPECT_EQ(adpcm.bytesWritten, 176400U + 176400U + 33020U + 8255U + 8255U + 58U);
    EXPECT_EQ(adpcm.bytesRead, 176400U + 176400U + 66040U + 8255U);
}

}  // namespace
}  // namespace sonaro::bench
