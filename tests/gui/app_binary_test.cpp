// The sonaro program as started from a shell.
#include <gtest/gtest.h>

#include "tests/support/run_process.h"

namespace sonaro {
namespace {

TEST(AppBinaryTest, VersionAndUsageEndAtOnce) {
    const std::vector<std::string> offscreen = {"QT_QPA_PLATFORM=offscreen"};
    const test::ProcessResult version = test::RunProcess(SONARO_APP_PATH, {"--version"}, offscreen);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "sonaro 1.14\n");
    const test::ProcessResult usage = test::RunProcess(SONARO_APP_PATH, {"--help"}, offscreen);
    EXPECT_EQ(usage.exitCode, 0);
    EXPECT_EQ(usage.out.rfind("Usage: sonaro [FILE]\n", 0), 0U) << usage.out;
}

}  // namespace
}  // namespace sonaro
