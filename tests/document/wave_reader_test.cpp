// The reader's judgement of WAVE headers: each refusal at the step that decides it, the accepted
// shapes, and what the record holds afterwards.
#include "convert/operations/wave_reader.h"

#include <gtest/gtest.h>

#include <functional>

#include "convert/operations/format_record.h"
#include "convert/operations/info_text.h"
#include "resources/string_ids.h"
#include "tests/support/fake_codecs.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

using test::WavSpec;

struct ReaderCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> bytes;
    unsigned expected;  // 0: accepted
};

void PrintTo(const ReaderCase& c, std::ostream* out) {
    *out << c.name;
}

std::function<std::vector<std::uint8_t>()> Pcm(std::function<void(WavSpec&)> change) {
    return [change] {
        WavSpec spec = test::PcmSpec(44100, 2, 16);
        change(spec);
        return spec.Build();
    };
}

std::function<std::vector<std::uint8_t>()> Adpcm(std::function<void(WavSpec&)> change) {
    return [change] {
        WavSpec spec = test::AdpcmSpec(22050, 1, 256, 500, std::vector<std::uint8_t>(512, 0));
        change(spec);
        return spec.Build();
    };
}

std::function<std::vector<std::uint8_t>()> Voxware(std::function<void(WavSpec&)> change) {
    return [change] {
        WavSpec spec = test::VoxwareSpec(std::vector<std::uint8_t>(270, 0));
        change(spec);
        return spec.Build();
    };
}

void SetTag(WavSpec& spec, std::uint16_t tag) {
    spec.tag = tag;
}

const ReaderCase kCases[] = {
    {"Valid16BitStereo", Pcm([](WavSpec&) {}), 0},
    {"ThreeBytes",
     [] {
         return std::vector<std::uint8_t>{'R', 'I', 'F'};
     },
     IDS_CANNOT_READ_FILE},
    {"BigEndianRifx", Pcm([](WavSpec& s) { s.riff = "RIFX"; }), IDS_NOT_RIFF},
    {"LowerCaseRiff", Pcm([](WavSpec& s) { s.riff = "riff"; }), IDS_NOT_RIFF},
    {"NotWave", Pcm([](WavSpec& s) { s.wave = "AVI "; }), IDS_NOT_WAVE},
    {"ListBeforeFmt", Pcm([](WavSpec& s) { s.fmt = "LIST"; }), IDS_NO_FMT},
    {"FmtWithoutBlank", Pcm([](WavSpec& s) { s.fmt = "fmt\0"; }), IDS_NO_FMT},
    {"FormatSize15", Pcm([](WavSpec& s) { s.fmtSize = 15; }), IDS_CANNOT_READ_FILE},
    {"FormatSize0", Pcm([](WavSpec& s) { s.fmtSize = 0; }), IDS_CANNOT_READ_FILE},
    {"MuLaw", Pcm([](WavSpec& s) { SetTag(s, 7); }), IDS_MULAW},
    {"OkiAdpcm", Pcm([](WavSpec& s) { SetTag(s, 0x10); }), IDS_OKI_ADPCM},
    {"ImaAdpcm", Pcm([](WavSpec& s) { SetTag(s, 0x11); }), IDS_IMA_ADPCM},
    {"TagZero", Pcm([](WavSpec& s) { SetTag(s, 0); }), IDS_FORMAT_UNSUPPORTED},
    {"IeeeFloat", Pcm([](WavSpec& s) { SetTag(s, 3); }), IDS_FORMAT_UNSUPPORTED},
    {"Extensible", Pcm([](WavSpec& s) { SetTag(s, 0xFFFE); }), IDS_FORMAT_UNSUPPORTED},
    {"NoChannels", Pcm([](WavSpec& s) { s.channels = 0; }), IDS_CHANNELS_UNSUPPORTED},
    {"ThreeChannels", Pcm([](WavSpec& s) { s.channels = 3; }), IDS_CHANNELS_UNSUPPORTED},
    {"Rate8012", Pcm([](WavSpec& s) { *&s = test::PcmSpec(8012, 1, 8); }), 0},
    {"Rate8013", Pcm([](WavSpec& s) { s.rate = 8013; }), IDS_RATE_UNSUPPORTED},
    {"Rate96000", Pcm([](WavSpec& s) { s.rate = 96000; }), IDS_RATE_UNSUPPORTED},
    {"RateZero", Pcm([](WavSpec& s) { s.rate = 0; }), IDS_RATE_UNSUPPORTED},
    {"PcmBlockAlign3", Pcm([](WavSpec& s) { s.blockAlign = 3; }), IDS_BLOCK_UNSUPPORTED},
    {"PcmBlockAlignJudgedBeforeBits", Pcm([](WavSpec& s) {
         s.blockAlign = 3;
         s.bits = 24;
     }),
     IDS_BLOCK_UNSUPPORTED},
    {"Pcm16MonoBlockAlign1", Pcm([](WavSpec& s) {
         s = test::PcmSpec(44100, 1, 16);
         s.blockAlign = 1;
     }),
     0},
    {"Pcm24Bit", Pcm([](WavSpec& s) { s.bits = 24; }), IDS_BITS_UNSUPPORTED},
    {"ALawOptimised", Pcm([](WavSpec& s) {
         s = test::PcmSpec(8000, 1, 8);
         s.tag = 6;
     }),
     IDS_ALREADY_OPTIMISED},
    {"ALawStereo", Pcm([](WavSpec& s) {
         s = test::PcmSpec(8000, 2, 8);
         s.tag = 6;
     }),
     IDS_ALAW_UNSUPPORTED},
    {"ALaw6000RateComesFirst", Pcm([](WavSpec& s) {
         s = test::PcmSpec(6000, 1, 8);
         s.tag = 6;
     }),
     IDS_RATE_UNSUPPORTED},
    {"Pcm22050ExactRate", Pcm([](WavSpec& s) { s = test::PcmSpec(22050, 2, 16); }), 0},
    {"AverageOneTooMany", Pcm([](WavSpec& s) {
         s = test::PcmSpec(22050, 2, 16);
         s.avgBytes = 88201;
     }),
     IDS_AVG_BYTES_MISMATCH},
    {"FormatSize18Skipped", Pcm([](WavSpec& s) {
         s.formatTail = {0, 0};
     }),
     0},
    {"FormatSizeNear4G", Pcm([](WavSpec& s) { s.fmtSize = 0xFFFFFFF0U; }), IDS_CANNOT_READ_FILE},
    {"ListBeforeData",
     Pcm([](WavSpec& s) { s.extraChunk = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'}; }),
     IDS_NO_DATA},
    {"FactThenCue", Pcm([](WavSpec& s) {
         s.fact = true;
         s.extraChunk = {'c', 'u', 'e', ' ', 4, 0, 0, 0, 0, 0, 0, 0};
     }),
     IDS_NO_DATA},
    {"FactSize8", Pcm([](WavSpec& s) {
         s.fact = true;
         s.factSize = 8;
     }),
     IDS_FACT_SIZE},
    {"FactValueDisagrees", Pcm([](WavSpec& s) {
         s.fact = true;
         s.factValue = 123456;
     }),
     0},
    {"DataSizeZero", Pcm([](WavSpec& s) { s.dataSize = 0; }), IDS_DATA_MISSING},
    {"DataSizeBelowBlockAlign", Pcm([](WavSpec& s) { s.dataSize = 3; }), IDS_DATA_MISSING},
    {"DataLargerThanFile", Pcm([](WavSpec& s) { s.dataSize = 1000000; }), 0},
    {"AdpcmValid", Adpcm([](WavSpec&) {}), 0},
    {"AdpcmThreeBits", Adpcm([](WavSpec& s) { s.bits = 3; }), IDS_BITS_UNSUPPORTED},
    {"AdpcmSixCoefficientSets", Adpcm([](WavSpec& s) { s.formatTail[4] = 6; }),
     IDS_ADPCM_COEF_SETS},
    {"AdpcmFormat52", Adpcm([](WavSpec& s) {
         s.formatTail.insert(s.formatTail.end(), {0, 0});
     }),
     IDS_NO_DATA},
    {"AdpcmBlockAlignZero", Adpcm([](WavSpec& s) { s.blockAlign = 0; }), IDS_BLOCK_UNSUPPORTED},
    {"AdpcmBlockShorterThanHeaders", Adpcm([](WavSpec& s) {
         s.channels = 2;
         s.blockAlign = 13;
         s.formatTail[2] = 2;
         s.formatTail[3] = 0;
     }),
     IDS_BLOCK_UNSUPPORTED},
    // Mono blocks of 256 bytes hold 2 + 2 * 249 = 500 frames.
    {"AdpcmSamplesPerBlockAtLimit", Adpcm([](WavSpec& s) { s.formatTail[2] = 0xF4; }), 0},
    {"AdpcmSamplesPerBlockOverLimit", Adpcm([](WavSpec& s) { s.formatTail[2] = 0xF5; }),
     IDS_BLOCK_UNSUPPORTED},
    {"AdpcmOneSamplePerBlock", Adpcm([](WavSpec& s) {
         s.formatTail[2] = 1;
         s.formatTail[3] = 0;
     }),
     IDS_BLOCK_UNSUPPORTED},
    {"AdpcmZeroByteRate", Adpcm([](WavSpec& s) { s.avgBytes = 0; }), IDS_AVG_BYTES_MISMATCH},
    {"VoxwareValid", Voxware([](WavSpec&) {}), 0},
    {"VoxwareThreeChannels", Voxware([](WavSpec& s) { s.channels = 3; }), IDS_CHANNELS_UNSUPPORTED},
    {"VoxwareStereo", Voxware([](WavSpec& s) { s.channels = 2; }), IDS_VOXWARE_INCOMPATIBLE},
    {"VoxwareByteRate301", Voxware([](WavSpec& s) { s.avgBytes = 301; }), IDS_VOXWARE_INCOMPATIBLE},
    {"VoxwareExtra15", Voxware([](WavSpec& s) { s.formatTail[0] = 15; }), IDS_VOXWARE_INCOMPATIBLE},
    {"VoxwareCodecBytesCut",
     [] {
         auto bytes = test::VoxwareSpec({}).Build();
         bytes.resize(48);  // 10 of the 16 codec bytes
         return bytes;
     },
     IDS_CANNOT_READ_FILE},
};

// The number of the reader's message for the file: 0 when it accepts it.
unsigned MessageOf(const std::string& path, CodecManager& codecs) {
    const Outcome<SoundDescription> read = WaveReader(codecs).Read(path);
    return read ? 0U : read.failure().message;
}

class WaveReaderCases : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(WaveReaderCases, GivesItsMessage) {
    test::ScratchDir dir;
    const std::string path = dir.Write("in.wav", GetParam().bytes());
    test::ProbeCodecs codecs;
    EXPECT_EQ(MessageOf(path, codecs), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(All, WaveReaderCases, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

// Every cut of a valid header short of its data is a short read.
TEST(WaveReader, EveryTruncatedHeaderCannotBeRead) {
    test::ScratchDir dir;
    for (const auto& spec : {test::PcmSpec(44100, 2, 16), test::AdpcmSpec(22050, 2, 512, 500, {}),
                             test::VoxwareSpec({})}) {
        const auto whole = spec.Build();
        for (std::size_t length = 0; length + spec.data.size() < whole.size(); ++length) {
            const std::string path =
                dir.Write("cut.wav", std::vector<std::uint8_t>(
                                         whole.begin(), whole.begin() + static_cast<long>(length)));
            test::ProbeCodecs codecs;
            EXPECT_EQ(MessageOf(path, codecs), IDS_CANNOT_READ_FILE)
                << "tag " << spec.tag << " cut at " << length;
        }
    }
}

TEST(WaveReader, VoxwareProbeAnswers) {
    test::ScratchDir dir;
    const std::string path =
        dir.Write("vox.wav", test::VoxwareSpec(std::vector<std::uint8_t>(300)).Build());
    struct {
        int suggest;
        int open;
        unsigned expected;
    } const cases[] = {
        {512, 0, IDS_VOXWARE_NOT_INSTALLED}, {0, 512, IDS_VOXWARE_CONVERSION}, {0, 0, 0}};
    for (const auto& c : cases) {
        test::ProbeCodecs codecs;
        codecs.suggestResult = c.suggest;
        codecs.openResult = c.open;
        EXPECT_EQ(MessageOf(path, codecs), c.expected);
        EXPECT_EQ(codecs.openStreams, 0) << "the probe only asks";
        EXPECT_EQ(codecs.lastSource.extraSize, 16);
    }
}

TEST(WaveReader, AcceptedPcmIsDescribed) {
    test::ScratchDir dir;
    WavSpec spec = test::PcmSpec(22050, 2, 16, std::vector<std::uint8_t>(88200));
    spec.fact = true;
    test::ProbeCodecs codecs;
    const std::string path = dir.Write("in.wav", spec.Build());
    const Outcome<SoundDescription> read = WaveReader(codecs).Read(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->path, path);
    const FormatRecord record = RecordOf(*read);
    EXPECT_EQ(record.formatName, "PCM");
    EXPECT_EQ(record.dataOffset, 56U);
    EXPECT_EQ(record.dataSize, 88200U);
    EXPECT_EQ(record.blockAlign, 4);
    EXPECT_EQ(record.bitsPerSample, 16);
    EXPECT_FLOAT_EQ(record.playbackSeconds, 1.0F);
    EXPECT_EQ(record.sizeKB, 87U);  // 88256 bytes
    EXPECT_TRUE(record.playable);
}

// Sizes come from the real file length: kB rounded up, and the 2 MiB playback limit.
TEST(WaveReader, SizeAndPlayableFollowTheFileLength) {
    test::ScratchDir dir;
    struct {
        std::size_t fileLength;
        std::uint32_t sizeKB;
        bool playable;
    } const cases[] = {{1024, 1, true},
                       {1025, 2, true},
                       {2097151, 2048, true},
                       {2097152, 2048, false},
                       {70000000, 68360, false}};
    for (const auto& c : cases) {
        const std::size_t header = test::PcmSpec(8000, 1, 8).Build().size() - 64;
        const WavSpec spec =
            test::PcmSpec(8000, 1, 8, std::vector<std::uint8_t>(c.fileLength - header));
        test::ProbeCodecs codecs;
        const Outcome<SoundDescription> read =
            WaveReader(codecs).Read(dir.Write("in.wav", spec.Build()));
        ASSERT_TRUE(read);
        EXPECT_EQ(RecordOf(*read).sizeKB, c.sizeKB) << c.fileLength;
        EXPECT_EQ(RecordOf(*read).playable, c.playable) << c.fileLength;
    }
}

TEST(WaveReader, PlaybackTimes) {
    SoundDescription adpcm;
    adpcm.format.formatTag = 2;
    adpcm.format.channels = 1;
    adpcm.format.blockAlign = 256;
    adpcm.samplesPerBlock = 500;
    adpcm.dataSize = 1000;  // 3 blocks and 232 bytes: 1500 + 452 samples
    adpcm.format.avgBytesPerSec = 1000;
    EXPECT_FLOAT_EQ(PlaybackSeconds(adpcm), 1952.0F / 2000.0F);

    SoundDescription voxware;
    voxware.format.formatTag = 116;
    voxware.dataSize = 300;
    EXPECT_EQ(PlaybackSeconds(voxware), static_cast<float>(8100 * double{0.000125F}));
    EXPECT_EQ(FormatPlaybackTime(PlaybackSeconds(voxware)), "00:01.01");

    SoundDescription pcm;
    pcm.format.formatTag = 1;
    pcm.dataSize = 1000000;  // larger than the file: the time follows the header
    pcm.format.avgBytesPerSec = 176400;
    EXPECT_FLOAT_EQ(PlaybackSeconds(pcm), 1000000.0F / 176400.0F);

    EXPECT_EQ(PlaybackSeconds(ALawResult("r.wav", 8255)),
              static_cast<float>(8255 * double{0.000125F}));
}

TEST(WaveReader, UnreadableFilesFailWithTheirCause) {
    test::ScratchDir dir;
    test::ProbeCodecs codecs;
    const struct {
        std::string path;
        unsigned message;
    } cases[] = {{dir.File("missing.wav"), IDS_FILE_NOT_FOUND},
                 {dir.path(), IDS_ACCESS_DENIED},
                 {dir.File("missing/in.wav"), IDS_FILE_NOT_FOUND},
                 {dir.Write("file", {1}) + "/in.wav", IDS_BAD_PATH}};
    for (const auto& c : cases) {
        const Outcome<SoundDescription> read = WaveReader(codecs).Read(c.path);
        ASSERT_FALSE(read) << c.path << " was read";
        EXPECT_EQ(read.failure().message, c.message) << c.path;
        EXPECT_EQ(read.failure().path, c.path);
        EXPECT_NE(read.failure().osError, 0) << c.path;
    }
}

}  // namespace
}  // namespace sonaro
