// Whole-file decoding for playback: every supported encoding sample for sample, the chunk walk,
// the refusals, and the codec stream's calls including a failure at each of them.
#include "convert/wave_decoder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "convert/alaw_decoder.h"
#include "convert/no_codec_manager.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

using test::WavSpec;

// The G.711 reconstruction value written out from the quantiser's intervals: segment 0 and 1
// step by 2 from 0 and 32, segment e >= 2 steps by 2^(e-1) from 16 * 2^e (13-bit scale); the
// value is the interval's middle, times 8 for 16 bits. Bit 7 of the de-inverted code is the sign.
int ReferenceALaw(unsigned code) {
    const unsigned bits = code ^ 0x55U;
    const unsigned segment = (bits >> 4) & 7U;
    const unsigned level = bits & 15U;
    const int lower = segment == 0 ? 0 : 16 << segment;
    const int step = segment == 0 ? 2 : 1 << segment;
    const int middle2 = 2 * (lower + static_cast<int>(level) * step) + step;  // twice the middle
    const int value = middle2 * 4;
    return (bits & 0x80U) != 0 ? value : -value;
}

TEST(ALawDecoding, EveryCodeIsItsIntervalMiddle) {
    for (unsigned code = 0; code < 256; ++code) {
        EXPECT_EQ(DecodeALaw(static_cast<std::uint8_t>(code)), ReferenceALaw(code)) << code;
    }
    // Anchors from the G.711 tables: the two smallest magnitudes and the two largest.
    EXPECT_EQ(DecodeALaw(0xD5), 8);
    EXPECT_EQ(DecodeALaw(0x55), -8);
    EXPECT_EQ(DecodeALaw(0xAA), 32256);
    EXPECT_EQ(DecodeALaw(0x2A), -32256);
}

// The converted file as the conversion writes it: 18-byte format chunk, fact chunk, data.
std::vector<std::uint8_t> ALawFile(const std::vector<std::uint8_t>& codes) {
    WavSpec spec;
    spec.tag = 6;
    spec.channels = 1;
    spec.rate = 8000;
    spec.avgBytes = 8000;
    spec.blockAlign = 1;
    spec.bits = 8;
    test::AppendLE(spec.formatTail, 0, 2);
    spec.fact = true;
    spec.factValue = static_cast<std::uint32_t>(codes.size());
    spec.data = codes;
    return spec.Build();
}

class DecoderTest : public ::testing::Test {
  protected:
    std::optional<DecodedSound> Decode(const std::vector<std::uint8_t>& bytes) {
        return decoder_.Decode(bytes);
    }

    NoCodecManager codecs_;
    WaveDecoder decoder_{codecs_};
};

TEST_F(DecoderTest, ConvertedALawFileOfOddLength) {
    std::vector<std::uint8_t> codes;
    for (unsigned i = 0; i < 257; ++i) {
        codes.push_back(static_cast<std::uint8_t>(i * 7));
    }
    const std::vector<std::uint8_t> file = ALawFile(codes);
    ASSERT_EQ(file.size(), 58U + 257U);
    const auto sound = Decode(file);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samplesPerSec, 8000U);
    EXPECT_EQ(sound->channels, 1U);
    ASSERT_EQ(sound->samples.size(), codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(sound->samples[i], ReferenceALaw(codes[i])) << i;
    }
}

TEST_F(DecoderTest, Pcm16StereoKeepsEverySampleAndDropsAPartialFrame) {
    const std::vector<std::int16_t> values = {-32768, 32767, 0, -1, 1234, -4321};
    WavSpec spec = test::Pcm16Spec(22050, 2, values);
    spec.data.push_back(0x11);  // three stray bytes: not a whole frame
    spec.data.push_back(0x22);
    spec.data.push_back(0x33);
    const auto sound = Decode(spec.Build());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samplesPerSec, 22050U);
    EXPECT_EQ(sound->channels, 2U);
    EXPECT_EQ(sound->frames(), 3U);
    EXPECT_EQ(sound->samples, values);
}

TEST_F(DecoderTest, Pcm8IsUnsignedAroundTheMiddle) {
    const auto sound = Decode(test::PcmSpec(11025, 1, 8, {0, 1, 127, 128, 129, 255}).Build());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samplesPerSec, 11025U);
    EXPECT_EQ(sound->samples, (std::vector<std::int16_t>{-32768, -32512, -256, 0, 256, 32512}));
}

TEST_F(DecoderTest, WalksPastOtherChunksWithTheirPadByte) {
    WavSpec spec = test::Pcm16Spec(8000, 1, {100, -200});
    // A LIST chunk of odd length 5 followed by its pad byte, then the data chunk.
    spec.extraChunk = {'L', 'I', 'S', 'T', 5, 0, 0, 0, 'a', 'b', 'c', 'd', 'e', 0};
    const auto sound = Decode(spec.Build());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samples, (std::vector<std::int16_t>{100, -200}));
}

TEST_F(DecoderTest, DataChunkLongerThanTheFileIsCutToWhatIsThere) {
    // A recording whose header was never finished claims far more data than it holds.
    WavSpec spec = test::Pcm16Spec(48000, 1, {5, 6, 7});
    spec.dataSize = 0x7FFFFFFF;
    const auto sound = Decode(spec.Build());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samples, (std::vector<std::int16_t>{5, 6, 7}));
}

TEST_F(DecoderTest, EmptyDataIsAnEmptySound) {
    const auto sound = Decode(test::Pcm16Spec(8000, 2, {}).Build());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->frames(), 0U);
}

struct RefusedCase {
    const char* name;
    std::function<void(WavSpec&)> change;
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusedTest : public DecoderTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedTest, GivesNoSound) {
    WavSpec spec = test::Pcm16Spec(8000, 1, {1, 2, 3, 4});
    GetParam().change(spec);
    EXPECT_FALSE(Decode(spec.Build()));
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, RefusedTest,
    ::testing::Values(RefusedCase{"NotRiff", [](WavSpec& s) { s.riff = "RIFX"; }},
                      RefusedCase{"NotWave", [](WavSpec& s) { s.wave = "AVI "; }},
                      RefusedCase{"NoFormatChunk", [](WavSpec& s) { s.fmt = "junk"; }},
                      RefusedCase{"NoDataChunk", [](WavSpec& s) { s.dataId = "date"; }},
                      RefusedCase{"FormatChunkTooShort", [](WavSpec& s) { s.fmtSize = 14; }},
                      RefusedCase{"NoChannels", [](WavSpec& s) { s.channels = 0; }},
                      RefusedCase{"NineChannels", [](WavSpec& s) { s.channels = 9; }},
                      RefusedCase{"RateZero", [](WavSpec& s) { s.rate = 0; }},
                      RefusedCase{"Pcm24Bit", [](WavSpec& s) { s.bits = 24; }},
                      RefusedCase{"Pcm4Bit", [](WavSpec& s) { s.bits = 4; }},
                      RefusedCase{"MuLaw", [](WavSpec& s) { s.tag = 7; }},
                      RefusedCase{"Float", [](WavSpec& s) { s.tag = 3; }},
                      RefusedCase{"ALaw16Bit",
                                  [](WavSpec& s) {
                                      s.tag = 6;
                                      s.bits = 16;
                                  }},
                      RefusedCase{"VoxwareWithoutCodec", [](WavSpec& s) { s.tag = 0x74; }}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(DecoderTest, DataBeforeFormatIsRefused) {
    std::vector<std::uint8_t> bytes = {'R', 'I', 'F', 'F', 0,   0, 0, 0, 'W', 'A', 'V',
                                       'E', 'd', 'a', 't', 'a', 2, 0, 0, 0,   1,   2};
    const std::vector<std::uint8_t> valid = test::Pcm16Spec(8000, 1, {1}).Build();
    bytes.insert(bytes.end(), valid.begin() + 12, valid.end());  // its fmt and data chunks
    EXPECT_FALSE(Decode(bytes));
}

// Every prefix of a valid file: nothing read beyond the end (the sanitizer build checks), and a
// prefix that still holds both chunk headers gives the samples it holds.
TEST_F(DecoderTest, EveryTruncationIsSafe) {
    const std::vector<std::uint8_t> file = ALawFile({0xD5, 0x55, 0xAA, 0x2A, 0x00});
    for (std::size_t length = 0; length <= file.size(); ++length) {
        const std::vector<std::uint8_t> prefix(file.begin(),
                                               file.begin() + static_cast<std::ptrdiff_t>(length));
        const auto sound = Decode(prefix);
        if (length < 58) {
            EXPECT_FALSE(sound) << length;
        } else {
            ASSERT_TRUE(sound) << length;
            EXPECT_EQ(sound->samples.size(), length - 58);
        }
    }
}

TEST(DecoderFile, ReadsUpToTheSizeLimit) {
    test::ScratchDir dir;
    const std::vector<std::uint8_t> bytes = test::Pcm16Spec(16000, 1, {9, 8, 7}).Build();
    const std::string path = dir.Write("a.wav", bytes);
    NoCodecManager codecs;
    WaveDecoder decoder(codecs);
    const auto sound = decoder.DecodeFile(path, bytes.size());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samples, (std::vector<std::int16_t>{9, 8, 7}));
    EXPECT_FALSE(decoder.DecodeFile(path, bytes.size() - 1));
    EXPECT_FALSE(decoder.DecodeFile(dir.File("missing.wav"), 1 << 20));
    EXPECT_FALSE(decoder.DecodeFile(dir.path(), 1 << 20));  // a directory
}

// A codec driver stand-in: every block of 27 bytes becomes 27 mono 16-bit samples (byte x 100).
// Each call can be made to fail; the calls are counted so that leaks of streams and headers show.
class BlockCodecs final : public CodecManager {
  public:
    enum Call { kNone, kSuggest, kOpen, kSize, kPrepare, kConvert, kUnprepare, kClose };

    int FormatSuggest(const WaveFormat&, WaveFormat& destination) override {
        if (failAt == kSuggest) {
            return kNotPossible;
        }
        destination = WaveFormat{1, 1, 8000, 16000, 2, 16, 0, {}};
        return 0;
    }
    int StreamOpen(CodecStream* stream, const WaveFormat& source, const WaveFormat&) override {
        if (failAt == kOpen) {
            return kNotPossible;
        }
        EXPECT_EQ(source.extra[0], 0xAB);  // the codec bytes of the file reach the driver
        *stream = 42;
        ++openStreams;
        return 0;
    }
    int StreamSize(CodecStream stream, std::uint32_t sourceBytes,
                   std::uint32_t& destinationBytes) override {
        EXPECT_EQ(stream, 42U);
        destinationBytes = sourceBytes * 2;
        return failAt == kSize ? kNotPossible : 0;
    }
    int PrepareHeader(CodecStream, CodecStreamHeader&) override {
        if (failAt == kPrepare) {
            return kNotPossible;
        }
        ++preparedHeaders;
        return 0;
    }
    int Convert(CodecStream, CodecStreamHeader& header, bool blockAlign) override {
        EXPECT_TRUE(blockAlign);
        EXPECT_EQ(header.sourceLength, 27U);
        if (failAt == kConvert && ++conversions == 2) {
            return kNotPossible;
        }
        for (std::uint32_t i = 0; i < header.sourceLength; ++i) {
            const auto sample = static_cast<std::uint16_t>(header.source[i] * 100);
            header.destination[2 * i] = static_cast<std::uint8_t>(sample);
            header.destination[2 * i + 1] = static_cast<std::uint8_t>(sample >> 8);
        }
        header.destinationLengthUsed = header.sourceLength * 2;
        return 0;
    }
    int UnprepareHeader(CodecStream, CodecStreamHeader&) override {
        --preparedHeaders;
        return failAt == kUnprepare ? kNotPossible : 0;
    }
    int StreamClose(CodecStream stream) override {
        EXPECT_EQ(stream, 42U);
        --openStreams;
        return failAt == kClose ? kNotPossible : 0;
    }

    Call failAt = kNone;
    int conversions = 0;
    int openStreams = 0;
    int preparedHeaders = 0;
};

std::vector<std::uint8_t> VoxwareFile(std::size_t dataBytes) {
    std::vector<std::uint8_t> data(dataBytes);
    for (std::size_t i = 0; i < dataBytes; ++i) {
        data[i] = static_cast<std::uint8_t>(i % 200);
    }
    std::vector<std::uint8_t> codecBytes(16, 0);
    codecBytes[0] = 0xAB;
    return test::VoxwareSpec(data, codecBytes).Build();
}

TEST(DecoderVoxware, WholeBlocksThroughTheCodecAndTheRestIgnored) {
    BlockCodecs codecs;
    WaveDecoder decoder(codecs);
    const auto sound = decoder.Decode(VoxwareFile(27 * 3 + 5));
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samplesPerSec, 8000U);
    EXPECT_EQ(sound->channels, 1U);
    ASSERT_EQ(sound->samples.size(), 81U);
    for (std::size_t i = 0; i < 81; ++i) {
        EXPECT_EQ(sound->samples[i], static_cast<std::int16_t>((i % 200) * 100)) << i;
    }
    EXPECT_EQ(codecs.openStreams, 0);
    EXPECT_EQ(codecs.preparedHeaders, 0);
}

TEST(DecoderVoxware, FailureAtAnyCallGivesNoSoundAndLeavesNothingOpen) {
    for (const auto call :
         {BlockCodecs::kSuggest, BlockCodecs::kOpen, BlockCodecs::kSize, BlockCodecs::kPrepare,
          BlockCodecs::kConvert, BlockCodecs::kUnprepare, BlockCodecs::kClose}) {
        BlockCodecs codecs;
        codecs.failAt = call;
        WaveDecoder decoder(codecs);
        EXPECT_FALSE(decoder.Decode(VoxwareFile(27 * 4))) << call;
        EXPECT_EQ(codecs.openStreams, 0) << call;
        EXPECT_EQ(codecs.preparedHeaders, 0) << call;
    }
}

}  // namespace
}  // namespace sonaro
