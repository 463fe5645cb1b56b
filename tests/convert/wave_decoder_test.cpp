// Whole-file decoding for playback of the sounds the reader and the conversion describe: every
// supported encoding sample for sample, the refusals, and the codec stream's calls including a
// failure at each of them.
#include "convert/playback/wave_decoder.h"
#include "convert/playback/wave_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "convert/codecs/no_codec_manager.h"
#include "convert/codecs/plugin_codec_manager.h"
#include "convert/formats/alaw_decoder.h"
#include "convert/formats/little_endian.h"
#include "convert/operations/operations.h"
#include "tests/codec_driver/test_codec_control.h"
#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_codecs.h"
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

// No limit on the length of the file.
constexpr std::uint64_t kAnyLength = std::uint64_t{1} << 40;

// The description of a file of these bytes as the reader gives it (none when it refuses them: the
// test then fails).
SoundDescription Described(const test::ScratchDir& dir, const std::vector<std::uint8_t>& bytes,
                           CodecManager& codecs, const std::string& name = "in.wav") {
    const Outcome<SoundDescription> opened = OpenSound(dir.Write(name, bytes), codecs);
    if (!opened) {
        ADD_FAILURE() << opened.failure().Text();
        return {};
    }
    return *opened;
}

// A converted file of these codes, and its description.
SoundDescription Converted(const test::ScratchDir& dir, const std::vector<std::uint8_t>& codes,
                           const std::string& name = "result.wav") {
    return ALawResult(dir.Write(name, test::ALawSpec(codes).Build()),
                      static_cast<std::uint32_t>(codes.size()));
}

class DecoderTest : public ::testing::Test {
  protected:
    std::optional<DecodedSound> Decode(const std::vector<std::uint8_t>& bytes) {
        return decoder_.Decode(Described(dir_, bytes, codecs_), kAnyLength);
    }

    test::ScratchDir dir_;
    NoCodecManager codecs_;
    WaveDecoder decoder_{codecs_};
};

TEST_F(DecoderTest, ConvertedALawFileOfOddLength) {
    std::vector<std::uint8_t> codes;
    for (unsigned i = 0; i < 257; ++i) {
        codes.push_back(static_cast<std::uint8_t>(i * 7));
    }
    const SoundDescription result = Converted(dir_, codes);
    ASSERT_EQ(test::ReadAll(result.path).size(), 58U + 257U);
    const auto sound = decoder_.Decode(result, kAnyLength);
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

TEST_F(DecoderTest, DataChunkLongerThanTheFileIsCutToWhatIsThere) {
    // A recording whose header was never finished claims far more data than it holds.
    WavSpec spec = test::Pcm16Spec(48000, 1, {5, 6, 7});
    spec.dataSize = 0x7FFFFFFF;
    const auto sound = Decode(spec.Build());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samples, (std::vector<std::int16_t>{5, 6, 7}));
}

// Formats and shapes the decoder cannot play, in a description of a sound.
struct RefusedCase {
    const char* name;
    std::function<void(SoundDescription&)> change;
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusedTest : public DecoderTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedTest, GivesNoSound) {
    SoundDescription sound =
        Described(dir_, test::Pcm16Spec(8000, 1, {1, 2, 3, 4}).Build(), codecs_);
    ASSERT_TRUE(decoder_.Decode(sound, kAnyLength));
    GetParam().change(sound);
    EXPECT_FALSE(decoder_.Decode(sound, kAnyLength));
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, RefusedTest,
    ::testing::Values(
        RefusedCase{"NoChannels", [](SoundDescription& s) { s.format.channels = 0; }},
        RefusedCase{"NineChannels", [](SoundDescription& s) { s.format.channels = 9; }},
        RefusedCase{"RateZero", [](SoundDescription& s) { s.format.samplesPerSec = 0; }},
        RefusedCase{"Pcm24Bit", [](SoundDescription& s) { s.format.bitsPerSample = 24; }},
        RefusedCase{"Pcm4Bit", [](SoundDescription& s) { s.format.bitsPerSample = 4; }},
        RefusedCase{"MuLaw", [](SoundDescription& s) { s.format.formatTag = 7; }},
        RefusedCase{"Float", [](SoundDescription& s) { s.format.formatTag = 3; }},
        RefusedCase{"ALaw16Bit", [](SoundDescription& s) { s.format.formatTag = 6; }},
        RefusedCase{"VoxwareWithoutCodec", [](SoundDescription& s) { s.format.formatTag = 0x74; }}),
    [](const auto& param) { return std::string(param.param.name); });

// Every prefix of a converted file: nothing read beyond the end (the sanitizer build checks), no
// sound while the data would start beyond the end, and the samples it holds once they start.
TEST_F(DecoderTest, EveryTruncationIsSafe) {
    const std::vector<std::uint8_t> file = test::ALawSpec({0xD5, 0x55, 0xAA, 0x2A, 0x00}).Build();
    for (std::size_t length = 0; length <= file.size(); ++length) {
        const std::vector<std::uint8_t> prefix(file.begin(),
                                               file.begin() + static_cast<std::ptrdiff_t>(length));
        const auto sound =
            decoder_.Decode(ALawResult(dir_.Write("result.wav", prefix), 5), kAnyLength);
        if (length < 58) {
            EXPECT_FALSE(sound) << length;
        } else {
            ASSERT_TRUE(sound) << length;
            EXPECT_EQ(sound->samples.size(), length - 58);
        }
    }
}

// Played piece by piece, as a sound output pulls it, in pieces of any size (a frame, an odd
// number of samples, more than an ADPCM block), a sound is the same as decoded whole, and each
// read ends on a whole frame.
TEST(WaveStreamPieces, AnyPieceSizesGiveTheWholeSound) {
    std::mt19937 random(3);
    std::vector<std::uint8_t> bytes(3 * 256 + 100);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i % 256 < 2 ? random() % 7 : random());
    }
    std::vector<std::int16_t> pcm(2 * 777);
    for (auto& sample : pcm) {
        sample = static_cast<std::int16_t>(random());
    }
    test::ScratchDir dir;
    NoCodecManager codecs;
    const std::vector<SoundDescription> sounds = {
        Described(dir, test::Pcm16Spec(22050, 2, pcm).Build(), codecs, "pcm16.wav"),
        Described(dir,
                  test::PcmSpec(11025, 1, 8,
                                std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 301))
                      .Build(),
                  codecs, "pcm8.wav"),
        Converted(dir, bytes),
        Described(dir, test::AdpcmSpec(22050, 1, 256, 500, bytes).Build(), codecs, "mono.wav"),
        Described(dir, test::AdpcmSpec(22050, 2, 256, 244, bytes).Build(), codecs, "stereo.wav")};
    for (std::size_t f = 0; f < sounds.size(); ++f) {
        const auto whole = WaveDecoder(codecs).Decode(sounds[f], kAnyLength);
        ASSERT_TRUE(whole) << f;
        for (const std::size_t piece :
             {std::size_t{whole->channels}, std::size_t{7}, std::size_t{1001}}) {
            const auto stream = WaveStream::Open(sounds[f], kAnyLength, codecs);
            ASSERT_NE(stream, nullptr) << f;
            EXPECT_EQ(stream->frames(), whole->frames()) << f;
            constexpr std::int16_t kUntouched = 0x7A5A;
            std::vector<std::int16_t> samples(piece + 1);
            std::vector<std::int16_t> all;
            while (!stream->AtEnd()) {
                std::fill(samples.begin(), samples.end(), kUntouched);
                const std::size_t got = stream->Read(samples.data(), piece);
                ASSERT_EQ(got % stream->channels(), 0U) << f;
                ASSERT_TRUE(std::all_of(samples.begin() + static_cast<long>(got), samples.end(),
                                        [](std::int16_t s) { return s == kUntouched; }))
                    << f << ": nothing written beyond the samples answered";
                ASSERT_GT(got + stream->channels(),
                          std::min(piece, whole->samples.size() - all.size()))
                    << "as many whole frames as fit";
                all.insert(all.end(), samples.begin(), samples.begin() + static_cast<long>(got));
            }
            EXPECT_EQ(stream->Read(samples.data(), piece), 0U);
            EXPECT_EQ(all, whole->samples) << f << ", pieces of " << piece;
        }
    }
}

TEST_F(DecoderTest, ReadsUpToTheSizeLimit) {
    const std::vector<std::uint8_t> bytes = test::Pcm16Spec(16000, 1, {9, 8, 7}).Build();
    SoundDescription sound = Described(dir_, bytes, codecs_);
    const auto decoded = decoder_.Decode(sound, bytes.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->samples, (std::vector<std::int16_t>{9, 8, 7}));
    EXPECT_FALSE(decoder_.Decode(sound, bytes.size() - 1));
    sound.path = dir_.File("missing.wav");
    EXPECT_FALSE(decoder_.Decode(sound, kAnyLength));
    sound.path = dir_.path();  // a directory
    EXPECT_FALSE(decoder_.Decode(sound, kAnyLength));
}

// Microsoft ADPCM against sox as a peer decoder: a file sox encoded, whole and with its last
// block cut to a partial one, decodes to the samples sox decodes.
TEST(DecoderAdpcm, SameSamplesAsSox) {
    const std::string sox = "/usr/bin/sox";
    if (!test::Exists(sox)) {
        GTEST_SKIP() << "sox is not installed";
    }
    test::ScratchDir dir;
    const std::string pcm = dir.File("pcm.wav");
    const std::string adpcm = dir.File("adpcm.wav");
    ASSERT_EQ(test::RunProcess(sox, {"-n", "-r", "22050", "-c", "2", "-b", "16", pcm, "synth",
                                     "0.7", "sine", "300", "whitenoise", "gain", "-3"})
                  .exitCode,
              0);
    ASSERT_EQ(test::RunProcess(sox, {pcm, "-e", "ms-adpcm", adpcm}).exitCode, 0);
    std::vector<std::uint8_t> file = test::ReadAll(adpcm);
    NoCodecManager codecs;
    WaveDecoder decoder(codecs);
    // Whole file; then the data cut 1024 + 23 bytes short of its end: a partial last block of
    // 23 bytes (header and 9 code bytes for two channels) follows the whole ones.
    const std::string dataId = "data";
    const auto dataChunk = std::search(file.begin(), file.end(), dataId.begin(), dataId.end());
    ASSERT_NE(dataChunk, file.end());
    const std::size_t dataAt = static_cast<std::size_t>(dataChunk - file.begin()) + 8;
    const std::uint16_t blockAlign = LoadLE16(&file[32]);
    for (const std::size_t cut : {std::size_t{0}, std::size_t{blockAlign} - 23}) {
        std::vector<std::uint8_t> bytes = file;
        const std::size_t dataSize = LoadLE32(&file[dataAt - 4]) / blockAlign * blockAlign - cut;
        bytes.resize(dataAt + dataSize);
        StoreLE32(&bytes[dataAt - 4], static_cast<std::uint32_t>(dataSize));
        const SoundDescription described = Described(dir, bytes, codecs);
        const std::string& input = described.path;
        const std::string raw = dir.File("sox.raw");
        ASSERT_EQ(
            test::RunProcess(sox, {input, "-t", "raw", "-e", "signed", "-b", "16", raw}).exitCode,
            0);
        const std::vector<std::uint8_t> expected = test::ReadAll(raw);
        const auto sound = decoder.Decode(described, kAnyLength);
        ASSERT_TRUE(sound) << cut;
        EXPECT_EQ(sound->channels, 2U);
        EXPECT_EQ(sound->samplesPerSec, 22050U);
        ASSERT_EQ(sound->samples.size() * 2, expected.size()) << cut;
        for (std::size_t i = 0; i < sound->samples.size(); ++i) {
            ASSERT_EQ(sound->samples[i], static_cast<std::int16_t>(LoadLE16(&expected[2 * i])))
                << "sample " << i << ", cut " << cut;
        }
    }
}

// Geometries the block decoder cannot take, and a block whose predictor is out of range.
TEST_F(DecoderTest, AdpcmShapesTheBlockDecoderCannotTakeAreRefused) {
    const std::vector<std::uint8_t> block(256, 0);
    const SoundDescription sound =
        Described(dir_, test::AdpcmSpec(22050, 1, 256, 500, block).Build(), codecs_);
    EXPECT_TRUE(decoder_.Decode(sound, kAnyLength));
    const struct {
        std::uint16_t blockAlign;
        std::uint16_t samplesPerBlock;
    } shapes[] = {{256, 501} /* too many */, {256, 1}, {6, 2} /* no room for the header */};
    for (const auto& shape : shapes) {
        SoundDescription changed = sound;
        changed.format.blockAlign = shape.blockAlign;
        changed.samplesPerBlock = shape.samplesPerBlock;
        EXPECT_FALSE(decoder_.Decode(changed, kAnyLength)) << shape.samplesPerBlock;
    }
    std::vector<std::uint8_t> badPredictor = block;
    badPredictor[0] = 7;
    EXPECT_FALSE(Decode(test::AdpcmSpec(22050, 1, 256, 500, badPredictor).Build()));
}

// Voxware through the test codec driver that the conversion's tests use: its samples, worked out
// apart from the driver, and nothing left open; faulty answers give no sound.
class DecoderTestDriver : public ::testing::Test {
  protected:
    // Decodes with a codec manager of its own, gone by the end, and answers the streams the
    // driver held open while the manager lived. The codec bytes, which steer the driver, go into
    // the reader's description of the file: its probe would refuse some of them.
    std::optional<DecodedSound> Decode(const std::vector<std::uint8_t>& data,
                                       const std::vector<std::uint8_t>& codecBytes,
                                       int& openStreams) {
        PluginCodecManager manager({test::DirectoryOf(test::VoxwareCodecLibrary())},
                                   [](const std::string&, const std::string&) {});
        SoundDescription sound =
            Described(dir_, test::VoxwareSpec(data, kNoFault).Build(), manager);
        std::copy(codecBytes.begin(), codecBytes.end(), sound.format.extra.begin());
        auto decoded = WaveDecoder(manager).Decode(sound, kAnyLength);
        openStreams = probe_.OpenStreams();
        EXPECT_EQ(probe_.PreparedBuffers(), 0);
        return decoded;
    }

    const std::vector<std::uint8_t> kNoFault = test::TestCodecBytes(test::TestCodecFault::None);
    test::ScratchDir dir_;
    test::TestCodecProbe probe_;
};

TEST_F(DecoderTestDriver, SamplesOfTheDriver) {
    const auto data = test::VoxwareData(27 * 7 + 5);
    int open = -1;
    const auto sound = Decode(data, kNoFault, open);
    EXPECT_EQ(open, 0);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samplesPerSec, 8000U);
    EXPECT_EQ(sound->channels, 1U);
    const std::vector<std::uint8_t> expected = test::TestCodecDecode(data);
    ASSERT_EQ(sound->samples.size() * 2, expected.size());
    for (std::size_t i = 0; i < sound->samples.size(); ++i) {
        ASSERT_EQ(sound->samples[i], static_cast<std::int16_t>(LoadLE16(&expected[2 * i]))) << i;
    }
}

// Every failure closes the stream; only a close the driver refuses leaves it to the manager.
TEST_F(DecoderTestDriver, FaultyAnswersGiveNoSound) {
    using test::TestCodecFault;
    const auto data = test::VoxwareData(27 * 4);
    for (const auto& bytes :
         {test::TestCodecBytes(TestCodecFault::Suggest), test::TestCodecBytes(TestCodecFault::Open),
          test::TestCodecBytes(TestCodecFault::Size), test::TestCodecBytes(TestCodecFault::Prepare),
          test::TestCodecBytes(TestCodecFault::Convert, 3),
          test::TestCodecBytes(TestCodecFault::Unprepare),
          test::TestCodecBytes(TestCodecFault::Close),
          test::TestCodecBytes(TestCodecFault::None, 1, test::kTestCodecOverlong),
          test::TestCodecBytes(TestCodecFault::None, 1, test::kTestCodecOddUsed)}) {
        SCOPED_TRACE(testing::Message()
                     << "fault " << int{bytes[0]} << ", flags " << int{bytes[2]});
        int open = -1;
        EXPECT_FALSE(Decode(data, bytes, open));
        EXPECT_EQ(open, bytes[0] == static_cast<std::uint8_t>(TestCodecFault::Close) ? 1 : 0);
        EXPECT_EQ(probe_.OpenStreams(), 0);
    }
}

// A block size reported one byte too long: the buffer holds whole samples only, as many as a
// block gives, and the sound is the same.
TEST_F(DecoderTestDriver, OddBlockSizeKeepsWholeSamples) {
    const auto data = test::VoxwareData(27 * 3);
    int open = -1;
    const auto sound = Decode(
        data, test::TestCodecBytes(test::TestCodecFault::None, 1, test::kTestCodecOddSize), open);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->samples.size() * 2, test::TestCodecDecode(data).size());
}

}  // namespace
}  // namespace sonaro
