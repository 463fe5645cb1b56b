// The ADPCM decoding stage: block counts, partial blocks, failures, and sox as a peer decoder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <numeric>
#include <random>
#include <sstream>

#include "convert/codecs/no_codec_manager.h"
#include "convert/formats/adpcm_block_decoder.h"
#include "convert/formats/little_endian.h"
#include "convert/operations/wave_reader.h"
#include "convert/stages/1_adpcm_decoder.h"
#include "tests/convert/stage_test_support.h"
#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

constexpr BarShare kBar{0, 3};

// The path of a program found on PATH, or an empty string.
std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream directories(path != nullptr ? path : "");
    for (std::string directory; std::getline(directories, directory, ':');) {
        const std::string candidate = directory + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

// Random blocks whose predictor bytes are valid.
std::vector<std::uint8_t> RandomBlocks(std::size_t bytes, std::uint16_t blockAlign,
                                       unsigned channels, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        const std::size_t inBlock = i % blockAlign;
        data[i] = static_cast<std::uint8_t>(inBlock < channels ? random() % 7 : random());
    }
    return data;
}

// Where the Microsoft ADPCM data of a source file lie, and how they are cut into blocks.
struct AdpcmSource {
    StageInput input;
    AdpcmGeometry geometry;
};

class AdpcmStageTest : public ::testing::Test {
  protected:
    // Writes an ADPCM file holding these data bytes and answers where they lie.
    AdpcmSource Source(std::uint8_t channels, std::uint16_t blockAlign,
                       std::uint16_t samplesPerBlock, const std::vector<std::uint8_t>& data,
                       std::optional<std::uint32_t> dataSize = {}) {
        auto spec = test::AdpcmSpec(8000, channels, blockAlign, samplesPerBlock, data);
        spec.dataSize = dataSize;
        const auto bytes = spec.Build();
        const std::string path = dir.Write("in.wav", bytes);
        return {{path, bytes.size() - data.size(),
                 dataSize.value_or(static_cast<std::uint32_t>(data.size()))},
                {channels, blockAlign, samplesPerBlock}};
    }

    // Decodes the source into the output; true when the stage succeeded, frames then set.
    bool Decode(test::StageRun& run, const AdpcmSource& source, std::uint32_t& frames,
                BarShare bar = kBar) {
        return run.Run(AdpcmDecoder(source.geometry), {source.input, output, bar}, frames);
    }

    // What the blocks decode to, one after the other, each of frames[b] frames.
    static std::vector<std::int16_t> Expected(const std::vector<std::uint8_t>& data,
                                              const AdpcmSource& source,
                                              const std::vector<std::uint32_t>& frames) {
        std::vector<std::int16_t> all;
        std::size_t at = 0;
        for (const std::uint32_t count : frames) {
            const AdpcmGeometry& geometry = source.geometry;
            const std::size_t bytes = std::min<std::size_t>(geometry.blockAlign, data.size() - at);
            std::vector<std::int16_t> out(count * geometry.channels);
            EXPECT_EQ(
                AdpcmBlockDecoder::Decode({data.data() + at, bytes}, geometry.channels, count, out),
                AdpcmBlockDecoder::Result::Decoded);
            all.insert(all.end(), out.begin(), out.end());
            at += bytes;
        }
        return all;
    }

    // The stage on this source, as the cancel and fault runs call it.
    std::function<bool(test::StageRun&)> Stage(const AdpcmSource& source) {
        return [this, source](test::StageRun& run) {
            std::uint32_t frames = 0;
            return Decode(run, source, frames);
        };
    }

    test::ScratchDir dir;
    std::string output = dir.File("SN_3_tmp.tmp");
};

TEST_F(AdpcmStageTest, FrameCountsOfWholeAndPartialBlocks) {
    const struct {
        std::uint8_t channels;
        std::uint16_t blockAlign;
        std::uint32_t rest;
        std::vector<std::uint32_t> frames;  // per block decoded
    } cases[] = {{1, 256, 0, {500, 500, 500}},        {1, 256, 3, {500, 500, 500}},
                 {1, 256, 7, {500, 500, 500, 2}},     {1, 256, 8, {500, 500, 500, 4}},
                 {1, 256, 100, {500, 500, 500, 188}}, {2, 512, 10, {500, 500, 500}},
                 {2, 512, 15, {500, 500, 500, 3}},    {2, 512, 14, {500, 500, 500, 2}}};
    for (const auto& c : cases) {
        const auto data =
            RandomBlocks(3U * c.blockAlign + c.rest, c.blockAlign, c.channels, c.rest);
        const AdpcmSource source = Source(c.channels, c.blockAlign, 500, data);
        test::StageRun run;
        std::uint32_t frames = 0;
        ASSERT_TRUE(Decode(run, source, frames));
        std::uint32_t total = 0;
        for (const auto count : c.frames) {
            total += count;
        }
        EXPECT_EQ(frames, total) << c.rest;
        EXPECT_EQ(test::ReadInt16(output), Expected(data, source, c.frames)) << c.rest;
        EXPECT_TRUE(run.messages.empty());
    }
}

TEST_F(AdpcmStageTest, SamplesPerBlockBelowTheBlockCapacity) {
    // 256-byte blocks could hold 500 frames; 300 are declared and decoded.
    const auto data = RandomBlocks(2 * 256, 256, 1, 5);
    const AdpcmSource source = Source(1, 256, 300, data);
    test::StageRun run;
    std::uint32_t frames = 0;
    ASSERT_TRUE(Decode(run, source, frames));
    EXPECT_EQ(frames, 600U);
    EXPECT_EQ(test::ReadInt16(output), Expected(data, source, {300, 300}));
}

TEST_F(AdpcmStageTest, BarStaysBetweenZeroAndTwo) {
    const auto data = RandomBlocks(30 * 64, 64, 1, 3);
    test::StageRun run;
    std::uint32_t frames = 0;
    ASSERT_TRUE(Decode(run, Source(1, 64, 116, data), frames));
    EXPECT_EQ(run.progress.ShownPositions(), (std::vector<int>{0, 1, 2}));
}

TEST_F(AdpcmStageTest, PredictorOutOfRangeStopsAtItsBlock) {
    auto data = RandomBlocks(4 * 64, 64, 2, 8);
    data[2 * 64 + 1] = 7;  // channel 1 of the third block
    const AdpcmSource source = Source(2, 64, 52, data);
    test::StageRun run;
    std::uint32_t frames = 0;
    EXPECT_FALSE(Decode(run, source, frames));
    EXPECT_EQ(run.messages, std::vector<std::string>{"ADPCM predictor out of range."});
    EXPECT_EQ(test::ReadInt16(output), Expected(data, source, {52, 52}));
}

// A data chunk that claims more than the file holds is decoded as far as the file goes: its
// whole blocks, then what is left as a partial block, which may hold more frames than the claim.
TEST_F(AdpcmStageTest, ClaimedDataBeyondTheFileAreNotMadeUp) {
    const struct {
        std::size_t bytes;
        std::uint16_t samplesPerBlock;
        std::uint32_t claimed;
        std::vector<std::uint32_t> frames;
    } cases[] = {{2 * 256 + 100, 500, 5 * 256 + 20, {500, 500, 188}}, {200, 7, 256 + 20, {388}}};
    for (const auto& c : cases) {
        const auto data = RandomBlocks(c.bytes, 256, 1, 9);
        const AdpcmSource source = Source(1, 256, c.samplesPerBlock, data, c.claimed);
        test::StageRun run;
        std::uint32_t frames = 0;
        ASSERT_TRUE(Decode(run, source, frames)) << c.bytes;
        EXPECT_EQ(frames, std::accumulate(c.frames.begin(), c.frames.end(), 0U));
        EXPECT_EQ(test::ReadInt16(output), Expected(data, source, c.frames));
    }
}

TEST_F(AdpcmStageTest, UnsoundGeometryIsRefused) {
    const struct {
        std::uint8_t channels;
        std::uint16_t blockAlign;
        std::uint16_t samplesPerBlock;
    } cases[] = {{1, 6, 2},     {1, 256, 501}, {1, 256, 1}, {2, 13, 2},
                 {2, 512, 501}, {0, 256, 2},   {3, 256, 2}, {1, 0, 2}};
    const auto data = RandomBlocks(1024, 256, 1, 1);
    for (const auto& c : cases) {
        test::StageRun run;
        const AdpcmSource source{{dir.Write("in.wav", data), 0, 1024},
                                 {c.channels, c.blockAlign, c.samplesPerBlock}};
        std::uint32_t frames = 7;
        EXPECT_FALSE(Decode(run, source, frames));
        EXPECT_EQ(run.messages, std::vector<std::string>{"File is invalid for conversion."});
        EXPECT_FALSE(test::Exists(output));
    }
}

// The frame count is 32-bit: blocks that would carry it beyond are not decoded.
TEST(AdpcmBlockPlan, FrameCountFitsThirtyTwoBits) {
    const AdpcmGeometry geometry{1, 32767, 65522};
    const AdpcmBlockPlan plan = geometry.Plan(0xFFFFFFFF);
    EXPECT_EQ(plan.fullBlocks, 0xFFFFFFFFULL / 65522);
    EXPECT_EQ(plan.partialBytes, 0U);
    EXPECT_EQ(plan.frames, plan.fullBlocks * 65522);

    const AdpcmBlockPlan whole = geometry.Plan(32767 * 3 + 100);
    EXPECT_EQ(whole.fullBlocks, 3U);
    EXPECT_EQ(whole.partialBytes, 100U);
    EXPECT_EQ(whole.partialFrames, 188U);
    EXPECT_EQ(whole.frames, 3U * 65522 + 188);
    EXPECT_EQ(whole.Blocks(), 4U);
}

TEST_F(AdpcmStageTest, CancelAtEveryReport) {
    const auto data = RandomBlocks(5 * 64 + 20, 64, 1, 4);
    const AdpcmSource source = Source(1, 64, 116, data);
    const int cancels = test::ExpectCancelAtEveryReport([] {}, Stage(source), output);
    EXPECT_GE(cancels, 3) << "at least one report at each of positions 0, 1 and 2";
}

// With one bar position per block every block is reported: a cancel at the report of a block leaves
// exactly the blocks before it in the output, though blocks are decoded many at once.
TEST_F(AdpcmStageTest, CancelLeavesOutItsBlockAndThoseAfter) {
    const auto data = RandomBlocks(100 * 64, 64, 2, 12);
    const AdpcmSource source = Source(2, 64, 52, data);
    const auto all = Expected(data, source, std::vector<std::uint32_t>(100, 52));
    for (const int report : {1, 2, 17, 64, 65, 100}) {
        test::StageRun run(report);
        std::uint32_t frames = 0;
        EXPECT_FALSE(Decode(run, source, frames, {0, 100}));
        const auto before = all.begin() + (report - 1) * 52 * 2;
        EXPECT_EQ(test::ReadInt16(output), std::vector<std::int16_t>(all.begin(), before))
            << report;
    }
}

TEST_F(AdpcmStageTest, EveryFileFaultGivesOneMessage) {
    const auto data = RandomBlocks(3 * 64 + 20, 64, 2, 6);
    const AdpcmSource source = Source(2, 64, 52, data);
    const auto failed = test::ExpectEveryFaultReported([] {}, Stage(source));
    // The four blocks are read in one piece. Samples are written before each report that finds
    // some (where the bar moves to 1 and to 2, and once more should 20 ms pass between two
    // blocks) and at the end.
    test::ExpectFaultCounts(failed,
                            {{FileOperation::Open, 2},
                             {FileOperation::Read, 1},
                             {FileOperation::Write, 3},
                             {FileOperation::Seek, 1},
                             {FileOperation::Length, 1},
                             {FileOperation::Close, 2}},
                            1);
}

// sox decodes Microsoft ADPCM by the standard algorithm: the same samples, whole and partial
// blocks alike, whatever the coefficients the file lists.
class AdpcmPeerTest : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        sox = FindProgram("sox");
        if (sox.empty()) {
            GTEST_SKIP() << "sox is not installed";
        }
    }

    // An ADPCM file made by sox from a loud two-tone and noise signal.
    std::vector<std::uint8_t> Encode(int channels) {
        const std::string pcm = dir.File("pcm.wav");
        const std::string adpcm = dir.File("adpcm.wav");
        const auto made = test::RunProcess(
            sox, {"-n", "-r", "11025", "-c", std::to_string(channels), "-b", "16", pcm, "synth",
                  "1.3", "sine", "300", "whitenoise", "sine", "2000", "gain", "+3"});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        const auto encoded = test::RunProcess(sox, {pcm, "-e", "ms-adpcm", adpcm});
        EXPECT_EQ(encoded.exitCode, 0) << encoded.err;
        return test::ReadAll(adpcm);
    }

    // The file's data chunk cut to dataSize bytes, sizes adjusted.
    static std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> file, std::size_t dataOffset,
                                         std::uint32_t dataSize) {
        file.resize(dataOffset + dataSize);
        StoreLE32(file.data() + dataOffset - 4, dataSize);
        StoreLE32(file.data() + 4, static_cast<std::uint32_t>(file.size() - 8));
        return file;
    }

    // Where the seven coefficient pairs lie in a file whose format chunk comes first.
    static constexpr std::size_t kCoefficientsAt = 42;

    std::string sox;
    test::ScratchDir dir;
};

TEST_P(AdpcmPeerTest, SameSamplesAsSox) {
    const int channels = GetParam();
    const auto encoded = Encode(channels);
    NoCodecManager codecs;
    const Outcome<SoundDescription> opened =
        WaveReader(codecs).Read(dir.Write("full.wav", encoded));
    ASSERT_TRUE(opened) << opened.failure().Text();
    const SoundDescription& sound = *opened;
    ASSERT_EQ(sound.format.channels, channels);
    const std::uint32_t blockAlign = sound.format.blockAlign;
    const std::uint32_t headerBytes = 7U * channels;
    // Whole blocks only; then partial blocks of every kind: too short, header only, odd sizes.
    const std::uint32_t fullData = sound.dataSize / blockAlign * blockAlign;
    for (const std::uint32_t rest : {0U, headerBytes - 1, headerBytes, headerBytes + 1,
                                     headerBytes + 9, blockAlign / 2 + 1, blockAlign - 1}) {
        auto file = Cut(encoded, sound.dataOffset, fullData - blockAlign + rest);
        const std::string cut = dir.Write("cut.wav", file);
        for (std::size_t i = kCoefficientsAt; i < kCoefficientsAt + 28; ++i) {
            file[i] ^= 0x5A;  // the listed coefficient pairs, spoilt for us: they are not used
        }
        const std::string spoilt = dir.Write("spoilt.wav", file);
        const std::string soxOut = dir.File("sox.raw");
        const auto decoded =
            test::RunProcess(sox, {cut, "-t", "raw", "-e", "signed", "-b", "16", soxOut});
        ASSERT_EQ(decoded.exitCode, 0) << decoded.err;

        const AdpcmDecoder decoder(
            {static_cast<std::uint8_t>(channels), sound.format.blockAlign, sound.samplesPerBlock});
        test::StageRun run;
        std::uint32_t frames = 0;
        const std::string ours = dir.File("ours.raw");
        ASSERT_TRUE(run.Run(decoder,
                            {{spoilt, sound.dataOffset, fullData - blockAlign + rest}, ours, kBar},
                            frames));
        const auto expected = test::ReadAll(soxOut);
        EXPECT_EQ(test::ReadAll(ours), expected) << "rest " << rest;
        EXPECT_EQ(std::size_t{frames} * channels * 2, expected.size()) << "rest " << rest;
    }
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, AdpcmPeerTest, ::testing::Values(1, 2));

}  // namespace
}  // namespace sonaro
