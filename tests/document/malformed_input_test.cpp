// A catalogue of malformed and hostile inputs, opened and (when accepted) converted as a user
// would: each ends with its refusal, one clear message, or a correct result, and leaves no
// temporary file behind.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "convert/codecs/no_codec_manager.h"
#include "document/sonaro_doc.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "tests/support/fake_sound.h"
#include "tests/support/fake_user.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

using test::WavSpec;

// Output samples of the resampler for n input samples at a rate: ceil((N + L(n - 1)) / M).
std::uint32_t ResampledCount(std::uint32_t rate, std::uint32_t n) {
    struct Ratio {
        std::uint32_t rate, up, down, taps;
    };
    static constexpr Ratio kRatios[] = {
        {11025, 8, 11, 2601}, {12000, 2, 3, 711}, {16000, 1, 2, 481},   {22050, 4, 11, 2601},
        {24000, 1, 3, 711},   {32000, 1, 4, 951}, {44100, 2, 11, 2601}, {48000, 1, 6, 1421}};
    for (const Ratio& r : kRatios) {
        if (r.rate == rate) {
            return (r.taps + r.up * (n - 1) + r.down - 1) / r.down;
        }
    }
    return n;  // 8000 and 8012 Hz are copied
}

struct Outcome {
    enum class Kind { RefusedAtOpen, FailsInConversion, Converts } kind;
    unsigned message = 0;       // the message of a refusal or failure
    std::uint32_t samples = 0;  // the result's A-law samples
};

Outcome Refused(unsigned id) {
    return {Outcome::Kind::RefusedAtOpen, id, 0};
}
Outcome Fails(unsigned id) {
    return {Outcome::Kind::FailsInConversion, id, 0};
}
Outcome Converts(std::uint32_t rate, std::uint32_t frames) {
    return {Outcome::Kind::Converts, 0, ResampledCount(rate, frames)};
}

struct Shape {
    const char* name;
    std::function<WavSpec()> spec;
    Outcome outcome;
};

void PrintTo(const Shape& shape, std::ostream* out) {
    *out << shape.name;
}

std::function<WavSpec()> Pcm(std::function<void(WavSpec&)> change) {
    return [change] {
        WavSpec spec = test::PcmSpec(16000, 1, 16, std::vector<std::uint8_t>(2000, 0x40));
        change(spec);
        return spec;
    };
}

// A block of mono MS ADPCM: predictor index, step size, the two header samples, then codes.
std::vector<std::uint8_t> AdpcmBlock(std::uint16_t bytes, std::uint8_t predictor, std::int16_t step,
                                     std::uint8_t codes) {
    std::vector<std::uint8_t> block(bytes, codes);
    block[0] = predictor;
    block[1] = static_cast<std::uint8_t>(step & 0xFF);
    block[2] = static_cast<std::uint8_t>((step >> 8) & 0xFF);
    for (int i = 3; i < 7; ++i) {
        block[i] = 0x10;
    }
    return block;
}

std::function<WavSpec()> Adpcm(
    std::vector<std::vector<std::uint8_t>> blocks,
    std::function<void(WavSpec&)> change = [](WavSpec&) {}) {
    return [blocks, change] {
        std::vector<std::uint8_t> data;
        for (const auto& block : blocks) {
            data.insert(data.end(), block.begin(), block.end());
        }
        WavSpec spec = test::AdpcmSpec(8000, 1, 256, 500, data);
        change(spec);
        return spec;
    };
}

const auto kBlock = AdpcmBlock(256, 0, 16, 0x17);

const Shape kShapes[] = {
    {"ChannelsZero", Pcm([](WavSpec& s) { s.channels = 0; }), Refused(IDS_CHANNELS_UNSUPPORTED)},
    {"Channels65535", Pcm([](WavSpec& s) { s.channels = 65535; }),
     Refused(IDS_CHANNELS_UNSUPPORTED)},
    {"RateZero", Pcm([](WavSpec& s) { s.rate = 0; }), Refused(IDS_RATE_UNSUPPORTED)},
    {"RateHuge", Pcm([](WavSpec& s) { s.rate = 0xFFFFFFFFU; }), Refused(IDS_RATE_UNSUPPORTED)},
    {"BlockAlignZero", Pcm([](WavSpec& s) { s.blockAlign = 0; }), Refused(IDS_BLOCK_UNSUPPORTED)},
    {"ByteRateZero", Pcm([](WavSpec& s) { s.avgBytes = 0; }), Refused(IDS_AVG_BYTES_MISMATCH)},
    {"BitsZero", Pcm([](WavSpec& s) { s.bits = 0; }), Refused(IDS_BITS_UNSUPPORTED)},
    {"FmtSize0", Pcm([](WavSpec& s) { s.fmtSize = 0; }), Refused(IDS_CANNOT_READ_FILE)},
    {"FmtSize15", Pcm([](WavSpec& s) { s.fmtSize = 15; }), Refused(IDS_CANNOT_READ_FILE)},
    {"FmtSize17", Pcm([](WavSpec& s) { s.fmtSize = 17; }), Refused(IDS_NO_DATA)},
    {"FmtSizeNear4G", Pcm([](WavSpec& s) { s.fmtSize = 0xFFFFFFFFU; }),
     Refused(IDS_CANNOT_READ_FILE)},
    {"FactSizeOdd", Pcm([](WavSpec& s) {
         s.fact = true;
         s.factSize = 3;
     }),
     Refused(IDS_FACT_SIZE)},
    {"OddChunkBeforeData",
     Pcm([](WavSpec& s) { s.extraChunk = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c'}; }),
     Refused(IDS_NO_DATA)},
    {"DataClaims4G", Pcm([](WavSpec& s) { s.dataSize = 0xFFFFFFFFU; }), Converts(16000, 1000)},
    {"DataOddLength", Pcm([](WavSpec& s) { s.data.resize(1999); }), Converts(16000, 999)},
    {"DataOneFrame", Pcm([](WavSpec& s) { s.data.resize(2); }), Converts(16000, 1)},
    {"DataShorterThanAFrame", Pcm([](WavSpec& s) { s.data.resize(1); }), Refused(IDS_DATA_MISSING)},
    {"DataChunkCutOff", Pcm([](WavSpec& s) { s.dataSize = 4000; }), Converts(16000, 1000)},
    {"Stereo8Bit11025",
     [] { return test::PcmSpec(11025, 2, 8, std::vector<std::uint8_t>(999, 7)); },
     Converts(11025, 499)},
    {"Mono8012", [] { return test::PcmSpec(8012, 1, 8, std::vector<std::uint8_t>(300, 0)); },
     Converts(8012, 300)},
    {"AdpcmValid", Adpcm({kBlock, kBlock}), Converts(8000, 1000)},
    {"AdpcmPredictor7", Adpcm({kBlock, AdpcmBlock(256, 7, 16, 0x17)}), Fails(IDS_ADPCM_PREDICTOR)},
    {"AdpcmPredictor255", Adpcm({AdpcmBlock(256, 255, 16, 0x17)}), Fails(IDS_ADPCM_PREDICTOR)},
    {"AdpcmStepMaximal", Adpcm({AdpcmBlock(256, 0, 32767, 0x77)}), Converts(8000, 500)},
    {"AdpcmStepNegative", Adpcm({AdpcmBlock(256, 6, -32768, 0x88)}), Converts(8000, 500)},
    {"AdpcmStepZero", Adpcm({AdpcmBlock(256, 4, 0, 0xF0)}), Converts(8000, 500)},
    {"AdpcmPartialBlockOf7", Adpcm({kBlock, AdpcmBlock(7, 0, 16, 0)}), Converts(8000, 502)},
    {"AdpcmTailOf6Ignored",
     Adpcm({kBlock, AdpcmBlock(7, 0, 16, 0)}, [](WavSpec& s) { s.data.resize(262); }),
     Converts(8000, 500)},
    {"AdpcmPartialBlockLongerThanAFullOne",
     [] {
         auto data = AdpcmBlock(256, 0, 16, 0x17);
         const auto partial = AdpcmBlock(100, 0, 16, 0x17);
         data.insert(data.end(), partial.begin(), partial.end());
         return test::AdpcmSpec(8000, 1, 256, 2, data);
     },
     Converts(8000, 2 + 2 + 2 * 93)},
    {"AdpcmDataClaims4G", Adpcm({kBlock}, [](WavSpec& s) { s.dataSize = 0xFFFFFFF0U; }),
     Converts(8000, 500)},
    {"AdpcmSamplesAtLimit",
     Adpcm({kBlock}, [](WavSpec& s) { s.formatTail[2] = 0xF4, s.formatTail[3] = 0x01; }),
     Converts(8000, 500)},
    {"AdpcmSamplesOverLimit",
     Adpcm({kBlock}, [](WavSpec& s) { s.formatTail[2] = 0xF5, s.formatTail[3] = 0x01; }),
     Refused(IDS_BLOCK_UNSUPPORTED)},
    {"AdpcmSamplesZero",
     Adpcm({kBlock}, [](WavSpec& s) { s.formatTail[2] = 0, s.formatTail[3] = 0; }),
     Refused(IDS_BLOCK_UNSUPPORTED)},
    {"AdpcmBlockAlignZero", Adpcm({kBlock}, [](WavSpec& s) { s.blockAlign = 0; }),
     Refused(IDS_BLOCK_UNSUPPORTED)},
    {"AdpcmBlockAlign6", Adpcm({kBlock}, [](WavSpec& s) { s.blockAlign = 6; }),
     Refused(IDS_BLOCK_UNSUPPORTED)},
    {"AdpcmByteRateZero", Adpcm({kBlock}, [](WavSpec& s) { s.avgBytes = 0; }),
     Refused(IDS_AVG_BYTES_MISMATCH)},
    {"AdpcmStereoBlockTooSmall", Adpcm({kBlock}, [](WavSpec& s) { s.channels = 2; }),
     Refused(IDS_BLOCK_UNSUPPORTED)},
    {"AdpcmCoefficientCountHuge", Adpcm({kBlock}, [](WavSpec& s) { s.formatTail[4] = 0xFF; }),
     Refused(IDS_ADPCM_COEF_SETS)},
    {"VoxwareWithoutDriver", [] { return test::VoxwareSpec(std::vector<std::uint8_t>(54, 1)); },
     Refused(IDS_VOXWARE_NOT_INSTALLED)},
    {"ALawInput", Pcm([](WavSpec& s) {
         s.tag = 6, s.bits = 8, s.rate = 8000, s.blockAlign = 1, s.avgBytes = 8000;
     }),
     Refused(IDS_ALREADY_OPTIMISED)},
    {"Extensible", Pcm([](WavSpec& s) { s.tag = 0xFFFE; }), Refused(IDS_FORMAT_UNSUPPORTED)},
    {"RiffSizeZero", Pcm([](WavSpec& s) { s.riffSize = 0; }), Converts(16000, 1000)},
};

class MalformedInput : public ::testing::TestWithParam<Shape> {
  protected:
    void SetUp() override { ::setenv("TMPDIR", temp.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    test::ScratchDir temp;
    test::ScratchDir dir;
};

TEST_P(MalformedInput, EndsWithItsRefusalMessageOrResult) {
    const Shape& shape = GetParam();
    const auto bytes = shape.spec().Build();
    const std::string path = dir.Write("in.wav", bytes);
    {
        test::FakeUser user;
        test::FakeSound sound;
        NoCodecManager codecs;
        CSonaroDoc doc(user, sound, codecs);
        const bool opened = doc.OnOpenDocument(path);
        const Outcome& want = shape.outcome;
        if (want.kind == Outcome::Kind::RefusedAtOpen) {
            EXPECT_FALSE(opened);
            EXPECT_EQ(user.messages,
                      std::vector<std::string>{path + ":\n" + LoadString(want.message)});
        } else {
            ASSERT_TRUE(opened) << (user.messages.empty() ? "" : user.messages.front());
            doc.OnConvert();
            if (want.kind == Outcome::Kind::FailsInConversion) {
                EXPECT_EQ(user.messages, std::vector<std::string>{LoadString(want.message)});
                EXPECT_EQ(doc.record().formatTag, WAVE_FORMAT_ADPCM);
            } else {
                ASSERT_TRUE(user.messages.empty()) << user.messages.front();
                EXPECT_EQ(doc.record().dataSize, want.samples);
                EXPECT_EQ(std::filesystem::file_size(doc.convertedPath()), want.samples + 58U);
            }
        }
    }
    EXPECT_EQ(test::ReadAll(path), bytes) << "the input is never changed";
    EXPECT_TRUE(std::filesystem::is_empty(temp.path())) << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(Catalogue, MalformedInput, ::testing::ValuesIn(kShapes),
                         [](const auto& shape) { return std::string(shape.param.name); });

// Every prefix of a valid ADPCM file: refused with a message, or converted from what is there.
TEST(MalformedInputTruncation, EveryPrefixOfAnAdpcmFileEndsCleanly) {
    test::ScratchDir temp;
    test::ScratchDir dir;
    ::setenv("TMPDIR", temp.path().c_str(), 1);
    const auto whole = Adpcm({kBlock, kBlock})().Build();
    for (std::size_t length = 0; length < whole.size(); length += 7) {
        const std::vector<std::uint8_t> prefix(whole.begin(),
                                               whole.begin() + static_cast<long>(length));
        const std::string path = dir.Write("cut.wav", prefix);
        test::FakeUser user;
        test::FakeSound sound;
        NoCodecManager codecs;
        {
            CSonaroDoc doc(user, sound, codecs);
            if (doc.OnOpenDocument(path)) {
                doc.OnConvert();
            }
            EXPECT_LE(user.messages.size(), 1U) << length;
        }
        EXPECT_TRUE(std::filesystem::is_empty(temp.path())) << length;
    }
    ::unsetenv("TMPDIR");
}

// Things that are no regular files, given as the input.
TEST(MalformedInputSpecialFiles, DirectoryFifoAndDeviceAreRefused) {
    test::ScratchDir dir;
    const std::string fifo = dir.File("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {dir.path(), dir.path() + ":\n" + LoadString(IDS_ACCESS_DENIED)},
        {fifo, fifo + ":\n" + LoadString(IDS_CANNOT_READ_FILE)},
        {"/dev/zero", std::string("/dev/zero:\n") + LoadString(IDS_NOT_RIFF)},
        {"/dev/null", std::string("/dev/null:\n") + LoadString(IDS_CANNOT_READ_FILE)},
    };
    for (const auto& c : cases) {
        test::FakeUser user;
        test::FakeSound sound;
        NoCodecManager codecs;
        CSonaroDoc doc(user, sound, codecs);
        EXPECT_FALSE(doc.OnOpenDocument(c.path));
        EXPECT_EQ(user.messages, std::vector<std::string>{c.message});
    }
}

}  // namespace
}  // namespace sonaro
