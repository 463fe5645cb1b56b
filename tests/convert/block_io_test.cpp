// Large-block reading and writing of the stages, and the work a reporter does before it pumps.
#include <gtest/gtest.h>

#include <cerrno>
#include <numeric>
#include <stdexcept>

#include "convert/stages/block_reader.h"
#include "convert/stages/block_writer.h"
#include "convert/stages/progress_reporter.h"
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
        File file(path, File::Mode::Read);
        BlockReader reader(file, bytes.size(), 1000, 0xEE);
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
    const std::string path = dir.Write("in.raw", Bytes(150));
    File file(path, File::Mode::Read);
    BlockReader reader(file, 400, 128, 0x80);
    std::vector<std::uint8_t> got;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* data = reader.Next(100);
        got.insert(got.end(), data, data + 100);
    }
    std::vector<std::uint8_t> expected = Bytes(150);
    expected.resize(400, 0x80);
    EXPECT_EQ(got, expected);
}

TEST_F(BlockIoTest, ReaderRestartsWhereTheFileWasMoved) {
    const std::vector<std::uint8_t> bytes = Bytes(300);
    File file(dir.Write("in.raw", bytes), File::Mode::Read);
    BlockReader reader(file, 300, 256, 0);
    EXPECT_EQ(reader.Next(10)[5], bytes[5]);
    file.Seek(100, File::SeekFrom::Begin);
    reader.Restart(200);
    const std::uint8_t* data = reader.Next(200);
    EXPECT_EQ(std::vector<std::uint8_t>(data, data + 200),
              std::vector<std::uint8_t>(bytes.begin() + 100, bytes.end()));
    EXPECT_THROW(reader.Next(1), std::logic_error) << "beyond the bytes to read";
}

TEST_F(BlockIoTest, ReaderBufferIsNoLargerThanTheFileNeedsAndRefusesLargerPieces) {
    File file(dir.Write("in.raw", Bytes(50)), File::Mode::Read);
    BlockReader reader(file, 50, 4096, 0);
    EXPECT_THROW(reader.Next(51), std::logic_error);
}

// Pieces made in place reach the file whole and in order; the file is written only when the
// buffer is full or on Flush.
TEST_F(BlockIoTest, WriterWritesFullBuffersAndWhatIsFlushed) {
    const std::string path = dir.File("out.raw");
    const std::vector<std::uint8_t> bytes = Bytes(2500);
    test::ScopedFault writes(FileOperation::Write, ENOSPC, 1000000, "out.raw");
    {
        File file(path, File::Mode::Write);
        BlockWriter writer(file, 1000);
        for (std::size_t done = 0; done < 2400; done += 300) {
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(done), 300, writer.Next(300));
        }
        EXPECT_EQ(writes.seen(), 2) << "900 bytes twice; 600 held";
        EXPECT_EQ(test::ReadAll(path).size(), 1800U);
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

// The hook runs right before each pump, and when a cancel is found without one.
TEST(ProgressReporterHook, RunsBeforeEveryPumpAndAtACancel) {
    test::ScriptedProgress progress;
    ProgressReporter reporter(progress);
    std::vector<int> pumpsAtHook;
    reporter.SetBeforePump([&] { pumpsAtHook.push_back(progress.pumps); });
    EXPECT_FALSE(reporter.Report(3));  // first report pumps
    EXPECT_FALSE(reporter.Report(3));  // same position, too soon: no pump
    EXPECT_FALSE(reporter.Report(4));  // position moved: pump
    EXPECT_EQ(pumpsAtHook, (std::vector<int>{0, 1}));
    EXPECT_EQ(progress.pumps, 2);
    progress.cancelled = true;  // a cancel seen between pumps (an interrupt, say)
    EXPECT_TRUE(reporter.Report(4));
    EXPECT_EQ(pumpsAtHook, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(progress.pumps, 2);
}

}  // namespace
}  // namespace sonaro
