// Large-block reading and writing of the stages, and the work a reporter does before it reports.
#include <gtest/gtest.h>

#include <cerrno>
#include <numeric>
#include <stdexcept>

#include "convert/stages/progress_reporter.h"
#include "convert/stages/stage_reader.h"
#include "convert/stages/stage_writer.h"
#include "tests/support/fault_injection.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_progress.h"

namespace sonaro {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    return bytes;
}

class BlockIoTest : public ::testing::Test {
  protected:
    test::ScratchDir dir;
};

// Pieces of sizes that do not divide the buffer come out as the file holds them, and the file is
// read in as few reads as the buffer allows.
TEST_F(BlockIoTest, PiecesOfAnySizeReadTheFileInOrder) {
    const std::vector<std::uint8_t> bytes = Bytes(10000);
    const std::string path = dir.Write("in.raw", bytes);
    for (const std::size_t piece : {1U, 7U, 100U, 999U, 1000U}) {
        test::ScopedFault reads(FileOperation::Read, EIO, 1000000, "in.raw");
        StageReader reader;
        reader.Reserve(bytes.size(), 1000, 0xEE);
        reader.Open(path);
        std::vector<std::uint8_t> got;
        for (std::size_t done = 0; done < bytes.size(); done += piece) {
            const std::size_t size = std::min(piece, bytes.size() - done);
            const std::uint8_t* data = reader.Next(size);
            got.insert(got.end(), data, data + size);
        }
        EXPECT_EQ(got, bytes) << piece;
        // Each read fills the buffer; pieces that straddle a refill may cost one more read.
        EXPECT_LE(reads.seen(), 10 + static_cast<int>(10000 / (1000 - piece + 1))) << piece;
        EXPECT_GE(reads.seen(), 10) << piece;
    }
}

TEST_F(BlockIoTest, BytesTheFileLacksReadAsTheFill) {
    StageReader reader;
    reader.Reserve(400, 128, 0x80);
    reader.Open(dir.Write("in.raw", Bytes(150)));
    std::vector<std::uint8_t> got;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* data = reader.Next(100);
        got.insert(got.end(), data, data + 100);
    }
    std::vector<std::uint8_t> expected = Bytes(150);
    expected.resize(400, 0x80);
    EXPECT_EQ(got, expected);
}

// From an offset on, limited to what the file holds there, and again from the offset.
TEST_F(BlockIoTest, ReaderStartsAtItsOffsetEndsWithTheFileAndRewinds) {
    const std::vector<std::uint8_t> bytes = Bytes(300);
    StageReader reader;
    reader.Reserve(1000, 256, 0);
    reader.OpenAt(dir.Write("in.raw", bytes), 100);
    EXPECT_EQ(reader.LimitToFile(), 200U);
    for (int pass = 0; pass < 2; ++pass) {
        const std::uint8_t* data = reader.Next(200);
        EXPECT_EQ(std::vector<std::uint8_t>(data, data + 200),
                  std::vector<std::uint8_t>(bytes.begin() + 100, bytes.end()));
        EXPECT_THROW(reader.Next(1), std::logic_error) << "beyond the bytes to read";
        reader.Rewind();
    }
}

TEST_F(BlockIoTest, ReaderBufferIsNoLargerThanTheFileNeedsAndRefusesLargerPieces) {
    StageReader reader;
    reader.Reserve(50, 4096, 0);
    reader.Open(dir.Write("in.raw", Bytes(50)));
    EXPECT_THROW(reader.Next(51), std::logic_error);
}

// Pieces made in place reach the file whole and in order; the file is written only when the
// buffer is full, at a report unless what is held is to be kept, and on Flush.
TEST_F(BlockIoTest, WriterWritesFullBuffersAndWhatIsFlushed) {
    const std::string path = dir.File("out.raw");
    const std::vector<std::uint8_t> bytes = Bytes(2500);
    test::ScopedFault writes(FileOperation::Write, ENOSPC, 1000000, "out.raw");
    {
        StageWriter writer;
        writer.Reserve(1000, StageWriter::AtReport::Keep);
        writer.Open(path);
        for (std::size_t done = 0; done < 2400; done += 300) {
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(done), 300, writer.Next(300));
        }
        EXPECT_EQ(writes.seen(), 2) << "900 bytes twice; 600 held";
        writer.Report();
        EXPECT_EQ(test::ReadAll(path).size(), 1800U) << "kept at a report";
        writer.Flush();
        EXPECT_EQ(writes.seen(), 3);
        writer.Flush();
        EXPECT_EQ(writes.seen(), 3) << "nothing held, nothing written";
        std::copy_n(bytes.begin() + 2400, 100, writer.Next(100));
        writer.Flush();
        EXPECT_THROW(writer.Next(1001), std::logic_error);
    }
    EXPECT_EQ(test::ReadAll(path), bytes);
}

// Appended bytes are written each time the buffer fills, and at a report.
TEST_F(BlockIoTest, WriterAppendsAcrossFullBuffers) {
    const std::string path = dir.File("out.raw");
    const std::vector<std::uint8_t> bytes = Bytes(2500);
    test::ScopedFault writes(FileOperation::Write, ENOSPC, 1000000, "out.raw");
    StageWriter writer;
    writer.Reserve(1000);
    writer.Open(path);
    writer.Append(bytes.data(), 2200);
    EXPECT_EQ(writes.seen(), 2);
    writer.Report();
    EXPECT_EQ(writes.seen(), 3);
    writer.Append(bytes.data() + 2200, 300);
    writer.Close();
    EXPECT_EQ(test::ReadAll(path), bytes);
}

// Bytes made ahead stay out of the file, at a report or a full buffer, until they are passed on;
// those never passed on never reach it.
TEST_F(BlockIoTest, WriterKeepsBytesMadeAheadOutUntilPassedOn) {
    const std::string path = dir.File("out.raw");
    const std::vector<std::uint8_t> bytes = Bytes(1500);
    StageWriter writer;
    writer.Reserve(1000);
    writer.Open(path);
    std::copy_n(bytes.begin(), 600, writer.Ahead(600));
    writer.PassOn(200);
    writer.Report();
    EXPECT_EQ(test::ReadAll(path), std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 200));
    writer.PassOn(400);
    std::copy_n(bytes.begin() + 600, 900, writer.Ahead(900));  // does not fit behind 400 held
    EXPECT_EQ(test::ReadAll(path).size(), 600U);
    writer.PassOn(700);
    EXPECT_THROW(writer.Append(bytes.data(), 1), std::logic_error);
    EXPECT_THROW(writer.PassOn(201), std::logic_error);
    writer.Flush();
    EXPECT_EQ(test::ReadAll(path), std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 1300));
}

// The hook runs right before each report that goes out. Once a report answered stop, none goes
// out again and every call answers stop.
TEST(ProgressReporterHook, RunsBeforeEveryReportAndNoneGoesOutAfterAStop) {
    test::ScriptedProgress progress(3);
    ProgressReporter reporter(progress);
    std::vector<int> reportsAtHook;
    reporter.SetBeforeReport([&] { reportsAtHook.push_back(progress.reports); });
    EXPECT_FALSE(reporter.Report(3));  // the first report goes out
    EXPECT_FALSE(reporter.Report(3));  // same position, too soon: none
    EXPECT_FALSE(reporter.Report(4));  // the position moved: a report
    EXPECT_TRUE(reporter.Report(5));   // the third report answers stop
    EXPECT_TRUE(reporter.Report(6));
    EXPECT_EQ(reportsAtHook, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(progress.positions, (std::vector<int>{3, 4, 5}));
}

}  // namespace
}  // namespace sonaro
