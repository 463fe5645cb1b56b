// The sonaro program as started from a shell.
#include <gtest/gtest.h>

#include "tests/support/man_page.h"
#include "tests/support/run_process.h"

namespace sonaro {
namespace {

// No display of any kind, as in an ssh session or a package build.
const std::vector<std::string> kNoDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

TEST(AppBinaryTest, VersionAndUsageWorkWithoutADisplay) {
    const test::ProcessResult version =
        test::RunProcess(SONARO_APP_PATH, {"--version"}, kNoDisplay);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out,
              "sonaro 1.14\nCopyright (C) 2026 The Sonaro developers. MIT licence: free to use, "
              "change and share; no warranty.\n");
    const test::ProcessResult usage = test::RunProcess(SONARO_APP_PATH, {"--help"}, kNoDisplay);
    EXPECT_EQ(usage.exitCode, 0);
    EXPECT_EQ(usage.out.rfind("Usage: sonaro [FILE...]\n", 0), 0U) << usage.out;
    EXPECT_EQ(usage.err, "");
    EXPECT_EQ(test::OptionsMissingFromManPage(usage.out, "sonaro"), std::vector<std::string>{});
}

}  // namespace
}  // namespace sonaro
