// The file class, the copy that Save As uses and the failures of file operations.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <numeric>

#include "convert/files/failure.h"
#include "convert/files/file.h"
#include "convert/files/file_copy.h"
#include "resources/string_ids.h"
#include "tests/support/fault_injection.h"
#include "tests/support/scratch_dir.h"

namespace sonaro {
namespace {

std::vector<std::uint8_t> Counting(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{7});
    return bytes;
}

TEST(FileErrors, CauseSelectsOneOfSixMessages) {
    const struct {
        int error;
        const char* text;
    } cases[] = {{ENOSPC, "The disk is full."},
                 {EDQUOT, "The disk is full."},
                 {EACCES, "The file could not be accessed."},
                 {EPERM, "The file could not be accessed."},
                 {EROFS, "The file could not be accessed."},
                 {EISDIR, "The file could not be accessed."},
                 {ENOENT, "The file could not be located."},
                 {ENOTDIR, "The path is invalid."},
                 {ENAMETOOLONG, "The path is invalid."},
                 {ELOOP, "The path is invalid."},
                 {EIO, "Hardware error."},
                 {EMFILE, "Unexpected file error."},
                 {EINVAL, "Unexpected file error."},
                 {EBADF, "Unexpected file error."}};
    for (const auto& c : cases) {
        const Failure failure =
            Failure::FromFile(FileException(FileException::CauseFromErrno(c.error), c.error, "x"));
        EXPECT_EQ(failure.Text(), c.text) << c.error;
        EXPECT_EQ(failure.path, "x");
        EXPECT_EQ(failure.osError, c.error);
    }
    for (const int cause : {0, 1, 4, 6, 7, 8, 9, 11, 12, 14, 99}) {
        const FileException error(static_cast<FileException::Cause>(cause), 0, "x");
        EXPECT_EQ(Failure::FromFile(error).message, IDS_UNEXPECTED_FILE_ERROR) << cause;
    }
}

TEST(File, ShortReadAtTheEndIsNotAnError) {
    test::ScratchDir dir;
    File file(dir.Write("f", Counting(10)), File::Mode::Read);
    std::uint8_t buffer[16];
    EXPECT_EQ(file.Read(buffer, 16), 10U);
    EXPECT_EQ(file.Read(buffer, 16), 0U);
    EXPECT_EQ(file.Seek(100, File::SeekFrom::Begin), 100U) << "seeking past the end succeeds";
    EXPECT_EQ(file.Read(buffer, 4), 0U);
    EXPECT_EQ(file.GetLength(), 10U);
}

// Reads at a position leave the file's own position alone, stop short at the end, and fail with
// the cause of the failure.
TEST(File, ReadsAtAPosition) {
    test::ScratchDir dir;
    File file(dir.Write("f", Counting(10)), File::Mode::Read);
    std::uint8_t buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 2), 2U);
    const struct {
        std::uint64_t position;
        std::size_t count;
        std::size_t got;
    } cases[] = {{0, 4, 4}, {7, 4, 3}, {9, 1, 1}, {10, 4, 0}, {100, 4, 0}, {3, 0, 0}};
    for (const auto& c : cases) {
        std::fill(std::begin(buffer), std::end(buffer), 0xEE);
        EXPECT_EQ(file.ReadAt(c.position, buffer, c.count), c.got) << c.position;
        for (std::size_t i = 0; i < c.got; ++i) {
            EXPECT_EQ(buffer[i], Counting(10)[c.position + i]) << c.position;
        }
        EXPECT_EQ(buffer[c.got], 0xEE) << "nothing beyond what was read";
    }
    EXPECT_EQ(file.GetPosition(), 2U);
    EXPECT_EQ(file.Read(buffer, 1), 1U);
    EXPECT_EQ(buffer[0], Counting(10)[2]);

    try {
        File written(dir.File("w"), File::Mode::Write);
        written.ReadAt(0, buffer, 1);
        ADD_FAILURE() << "reading a file opened for writing succeeded";
    } catch (const FileException& error) {
        EXPECT_EQ(error.osError(), EBADF);
    }
}

TEST(File, SpecialFilesDoNotHang) {
    const std::string zero = "/dev/zero";
    File file(zero, File::Mode::Read);
    std::uint8_t buffer[4] = {1, 1, 1, 1};
    EXPECT_EQ(file.Read(buffer, 4), 4U);
    EXPECT_EQ(buffer[0], 0);

    test::ScratchDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    File pipe(fifo, File::Mode::Read);  // no writer: must not block
    EXPECT_EQ(pipe.Read(buffer, 4), 0U);
}

TEST(File, WriteFailureCarriesTheCause) {
    File full("/dev/full", File::Mode::Write);
    const std::uint8_t byte = 1;
    try {
        full.Write(&byte, 1);
        ADD_FAILURE() << "writing to /dev/full succeeded";
    } catch (const FileException& error) {
        EXPECT_EQ(error.cause(), FileException::diskFull);
    }
}

class CopyTest : public ::testing::Test {
  protected:
    // Copies source to destination: true when done, else false with the failure's words and
    // file recorded.
    bool Copy(const std::string& destination, const std::string& source) {
        const std::optional<Failure> failure = CopyFileInBlocks(destination, source);
        if (failure) {
            messages.push_back(failure->Text());
            messagePaths.push_back(failure->path);
        }
        return !failure;
    }

    test::ScratchDir dir;
    std::vector<std::string> messages;
    std::vector<std::string> messagePaths;
};

TEST_F(CopyTest, CopiesEveryLengthExactly) {
    for (const std::size_t size : {0U, 1U, 7999U, 8000U, 8001U, 16000U, 100003U}) {
        const auto bytes = Counting(size);
        const std::string source = dir.Write("src", bytes);
        ASSERT_TRUE(Copy(dir.File("dst"), source));
        EXPECT_EQ(test::ReadAll(dir.File("dst")), bytes) << size;
    }
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"dst", "src"})) << "no temporary file left";
}

TEST_F(CopyTest, MissingSourceLeavesNoDestination) {
    EXPECT_FALSE(Copy(dir.File("dst"), dir.File("gone")));
    EXPECT_EQ(messages, std::vector<std::string>{"Temporary file removed! Unable to save."});
    EXPECT_FALSE(test::Exists(dir.File("dst")));
}

TEST_F(CopyTest, DestinationInMissingDirectory) {
    const std::string source = dir.Write("src", {});
    EXPECT_FALSE(Copy(dir.File("none/dst"), source))
        << "an empty source must not hide that the destination cannot be made";
    EXPECT_EQ(messages, std::vector<std::string>{"The file could not be located."});
    EXPECT_EQ(messagePaths, std::vector<std::string>{dir.File("none/dst")});
}

// Devices are written into, never replaced (nodes of our own, made as root: a fault must not
// replace the system's); a directory is refused. A failure names the destination.
TEST_F(CopyTest, DevicesAndDirectories) {
    const auto source = dir.Write("src", Counting(20000));
    const bool devices = ::geteuid() == 0 &&
                         ::mknod(dir.File("null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0 &&
                         ::mknod(dir.File("full").c_str(), S_IFCHR | 0600, makedev(1, 7)) == 0;
    std::filesystem::create_directory(dir.File("folder"));
    const struct {
        std::string name;
        const char* message;  // none: the copy succeeds
        mode_t type;          // of the destination afterwards
    } cases[] = {{"null", nullptr, S_IFCHR},
                 {"full", "The disk is full.", S_IFCHR},
                 {"folder", "The file could not be accessed.", S_IFDIR}};
    for (const auto& c : cases) {
        if (!devices && c.type == S_IFCHR) {
            continue;
        }
        messages.clear();
        messagePaths.clear();
        EXPECT_EQ(Copy(dir.File(c.name), source), c.message == nullptr) << c.name;
        EXPECT_EQ(messages,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        EXPECT_EQ(messagePaths, c.message ? std::vector<std::string>{dir.File(c.name)}
                                          : std::vector<std::string>{});
        struct stat info {};
        EXPECT_EQ(::stat(dir.File(c.name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & S_IFMT, c.type) << c.name;
    }
    EXPECT_EQ(dir.List().size(), devices ? 4U : 2U) << "no temporary file left";
}

// A copy that fails at any point leaves a file that was there before untouched.
TEST_F(CopyTest, FailedCopyKeepsTheExistingDestination) {
    // The source opens first, the destination's temporary file second.
    const struct {
        FileOperation operation;
        int nth;
        int error;
        const char* message;
        const char* named;  // the file the message names
    } cases[] = {{FileOperation::Open, 2, EACCES, "The file could not be accessed.", "dst"},
                 {FileOperation::Write, 2, ENOSPC, "The disk is full.", "dst"},
                 {FileOperation::Read, 3, EIO, "Hardware error.", "src"},
                 {FileOperation::Sync, 1, EIO, "Hardware error.", "dst"},
                 {FileOperation::Close, 1, ENOSPC, "The disk is full.", "dst"},
                 {FileOperation::Rename, 1, EACCES, "The file could not be accessed.", "dst"}};
    const auto source = dir.Write("src", Counting(20000));
    for (const auto& c : cases) {
        const auto old = dir.Write("dst", {9, 9, 9});
        messages.clear();
        messagePaths.clear();
        test::ScopedFault fault(c.operation, c.error, c.nth);
        EXPECT_FALSE(Copy(old, source));
        EXPECT_TRUE(fault.fired());
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_EQ(messagePaths, std::vector<std::string>{dir.File(c.named)});
        EXPECT_EQ(test::ReadAll(old), (std::vector<std::uint8_t>{9, 9, 9}));
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"dst", "src"}));
    }
}

TEST_F(CopyTest, SavingOverALinkWritesItsTarget) {
    const auto target = dir.Write("target", {1});
    std::filesystem::create_symlink(target, dir.File("link"));
    ASSERT_TRUE(Copy(dir.File("link"), dir.Write("src", Counting(5))));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link")));
    EXPECT_EQ(test::ReadAll(target), Counting(5));
}

TEST_F(CopyTest, OverwriteKeepsThePermissions) {
    const auto old = dir.Write("dst", {1});
    ::chmod(old.c_str(), 0640);
    ASSERT_TRUE(Copy(old, dir.Write("src", Counting(5))));
    struct stat info {};
    ::stat(old.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640U);
}

}  // namespace
}  // namespace sonaro
