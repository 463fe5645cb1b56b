// The A-law output file: its 58-byte header, the copied codes, cancels and file faults.
#include <unistd.h>

#include <gtest/gtest.h>

#include <numeric>

#include "convert/codecs/no_codec_manager.h"
#include "convert/operations/wave_reader.h"
#include "convert/stages/5_alaw_file_writer.h"
#include "resources/string_ids.h"
#include "tests/convert/stage_test_support.h"
#include "tests/support/scratch_dir.h"

namespace sonaro {
namespace {

constexpr BarShare kBar{98, 2};

std::vector<std::uint8_t> Codes(std::size_t n) {
    std::vector<std::uint8_t> codes(n);
    std::iota(codes.begin(), codes.end(), std::uint8_t{3});
    return codes;
}

class WriterTest : public ::testing::Test {
  protected:
    std::string Input(std::size_t n) { return dir.Write("SN_1_tmp.tmp", Codes(n)); }

    // Writes the A-law file of the codes in the input, consumed as the chain has it unless told.
    bool Write(test::StageRun& run, bool consumed = true) {
        std::uint32_t count = 0;
        const bool ok = run.Run(ALawFileWriter(), {{input, 0, 0, consumed}, output, kBar}, count);
        EXPECT_EQ(count, ok ? test::ReadAll(output).size() - 58 : 0U) << "the codes written";
        return ok;
    }

    test::ScratchDir dir;
    std::string input = dir.File("SN_1_tmp.tmp");
    std::string output = dir.File("SN_2_tmp.tmp");
};

TEST_F(WriterTest, WholeFileForEightThousandTwoHundredForty) {
    test::StageRun run;
    Input(8240);
    ASSERT_TRUE(Write(run));
    // 8240 = 0x2030 samples; RIFF size 8290 = 0x2062.
    std::vector<std::uint8_t> expected = {
        'R',  'I',  'F',  'F',  0x62, 0x20, 0x00, 0x00, 'W',  'A',  'V',  'E',  'f',  'm',  't',
        ' ',  0x12, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x40, 0x1F, 0x00, 0x00, 0x40, 0x1F,
        0x00, 0x00, 0x01, 0x00, 0x08, 0x00, 0x00, 0x00, 'f',  'a',  'c',  't',  0x04, 0x00, 0x00,
        0x00, 0x30, 0x20, 0x00, 0x00, 'd',  'a',  't',  'a',  0x30, 0x20, 0x00, 0x00};
    ASSERT_EQ(expected.size(), 58U);
    const auto codes = Codes(8240);
    expected.insert(expected.end(), codes.begin(), codes.end());
    EXPECT_EQ(test::ReadAll(output), expected);
    EXPECT_EQ(test::ReadAll(output).size(), 8298U);
    EXPECT_FALSE(test::Exists(input)) << "the consumed codes file is removed on success";
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.progress.positions, (std::vector<int>{98, 99})) << "two blocks";
}

// An input that is not consumed stays.
TEST_F(WriterTest, LengthsAndBlocks) {
    for (const std::size_t n : {0U, 1U, 7999U, 8000U, 8001U, 16000U, 24001U}) {
        test::StageRun run;
        Input(n);
        ASSERT_TRUE(Write(run, false));
        EXPECT_EQ(test::ReadAll(input), Codes(n)) << n;
        const auto file = test::ReadAll(output);
        ASSERT_EQ(file.size(), n + 58) << "no pad byte, also for odd lengths";
        const auto header = ALawHeader(static_cast<std::uint32_t>(n));
        EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin())) << n;
        EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 58, file.end()), Codes(n)) << n;
        const std::size_t blocks = (n + 7999) / 8000;
        EXPECT_EQ(run.progress.positions.size() > 0, blocks > 0) << n;
        if (n == 16000) {
            EXPECT_EQ(run.progress.positions, (std::vector<int>{98, 99}));
        }
    }
}

// The file it writes is what the program's own reader takes for an A-law file.
TEST_F(WriterTest, ReaderRecognisesTheResult) {
    test::StageRun run;
    Input(1001);
    ASSERT_TRUE(Write(run));
    NoCodecManager codecs;
    const Outcome<SoundDescription> read = WaveReader(codecs).Read(output);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.failure().message, IDS_ALREADY_OPTIMISED);
}

TEST_F(WriterTest, CancelAfterTheFirstBlockLeavesHeaderAndOneBlock) {
    test::StageRun run(1);
    Input(16000);
    EXPECT_FALSE(Write(run));
    EXPECT_EQ(run.messages, std::vector<std::string>{"Conversion cancelled."});
    EXPECT_EQ(test::ReadAll(output).size(), 58U + 8000);
    EXPECT_TRUE(test::Exists(input));

    const int cancels = test::ExpectCancelAtEveryReport(
        [&] { Input(20000); }, [&](test::StageRun& again) { return Write(again); }, output);
    EXPECT_GE(cancels, 2);
}

TEST_F(WriterTest, EveryFileFaultGivesOneMessage) {
    const auto failed = test::ExpectEveryFaultReported(
        [&] { Input(16001); }, [&](test::StageRun& run) { return Write(run); });
    // The codes are read in one piece (up to 32 blocks of 8000); the header goes out with the
    // first block, the rest at the report where the bar moves to 99 (and once more should 20 ms
    // pass in between).
    test::ExpectFaultCounts(failed,
                            {{FileOperation::Open, 2},
                             {FileOperation::Read, 1},
                             {FileOperation::Write, 2},
                             {FileOperation::Length, 1},
                             {FileOperation::Close, 2},
                             {FileOperation::Remove, 1}},
                            1);
}

// A codes file too long for the header's 32-bit sizes is refused, not described wrongly. The
// file is sparse: it takes no room.
TEST_F(WriterTest, CodesBeyondTheHeaderSizesAreRefused) {
    for (const std::uint64_t n : {0xFFFFFFFFULL - 49, 0x100000000ULL + 5}) {
        Input(0);
        ASSERT_EQ(::truncate(input.c_str(), static_cast<off_t>(n)), 0);
        test::StageRun run;
        EXPECT_FALSE(Write(run));
        EXPECT_EQ(run.messages, std::vector<std::string>{"Unexpected file error."});
        EXPECT_EQ(run.messagePaths, std::vector<std::string>{input});
        EXPECT_TRUE(test::ReadAll(output).empty());
    }
}

}  // namespace
}  // namespace sonaro
