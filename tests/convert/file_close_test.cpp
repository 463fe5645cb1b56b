// What a failed close() means: an interrupted one has closed the descriptor all the same (Linux)
// and is no failure; any other tells that data were not written back, a failure of its file.
// The close() of this program stands in for the system's, failing once when asked to.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "convert/files/file.h"
#include "tests/support/scratch_dir.h"

namespace {

int nextCloseError = 0;

}  // namespace

extern "C" int close(int fd) {
    using Close = int (*)(int);
    static const auto real = reinterpret_cast<Close>(::dlsym(RTLD_NEXT, "close"));
    const int result = real(fd);
    if (const int error = nextCloseError; error != 0 && result == 0) {
        nextCloseError = 0;
        errno = error;
        return -1;
    }
    return result;
}

namespace sonaro {
namespace {

TEST(FileClose, InterruptedIsDoneOtherFailuresAreTheFiles) {
    test::ScratchDir dir;
    const struct {
        int error;
        bool fails;
        FileException::Cause cause;
    } cases[] = {{EINTR, false, FileException::generic},
                 {EIO, true, FileException::hardIO},
                 {ENOSPC, true, FileException::diskFull}};
    for (const auto& c : cases) {
        File file(dir.File("out.bin"), File::Mode::Write);
        file.Write("abc", 3);
        nextCloseError = c.error;
        try {
            file.Close();
            EXPECT_FALSE(c.fails) << c.error;
        } catch (const FileException& error) {
            EXPECT_TRUE(c.fails) << c.error;
            EXPECT_EQ(error.cause(), c.cause);
            EXPECT_EQ(error.path(), dir.File("out.bin"));
        }
        EXPECT_EQ(nextCloseError, 0) << "the close was made";
        EXPECT_EQ(file.descriptor(), -1) << "a failed close leaves no descriptor to close again";
    }
}

}  // namespace
}  // namespace sonaro
