// The private directory of the intermediate files and the removal of those left by killed runs.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "convert/files/temp_directory.h"
#include "tests/support/scratch_dir.h"

namespace sonaro {
namespace {

namespace fs = std::filesystem;

// Points TMPDIR at a scratch directory for the test's lifetime.
class TempDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        saved_ = old != nullptr ? old : "";
        hadValue_ = old != nullptr;
        ::setenv("TMPDIR", scratch_.path().c_str(), 1);
    }
    void TearDown() override {
        if (hadValue_) {
            ::setenv("TMPDIR", saved_.c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }

    // A directory of that name with one file in it.
    std::string MakeDir(const std::string& name) const {
        const std::string path = scratch_.File(name);
        fs::create_directory(path);
        std::ofstream(path + "/SN_1_tmp.tmp") << "data";
        return path;
    }

    test::ScratchDir scratch_;
    std::string saved_;
    bool hadValue_ = false;
};

// The id of a process that has ended and been reaped.
pid_t DeadProcessId() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST_F(TempDirectoryTest, MadeUnderTmpdirWithOwnerIdAndRemovedWithItsFiles) {
    std::string path;
    {
        TempDirectory temp;
        path = temp.Path();
        const std::string prefix = scratch_.path() + "/sonaro-" + std::to_string(::getpid()) + "-";
        EXPECT_EQ(path.substr(0, prefix.size()), prefix);
        EXPECT_EQ(path.size(), prefix.size() + 6);
        EXPECT_EQ(temp.Path(), path) << "made once";
        std::ofstream(temp.FilePath("SN_2_tmp.tmp")) << "x";
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_all);
        fs::remove_all(path);  // a cleaner of the temporary directory
        path = temp.Path();
        EXPECT_TRUE(fs::is_directory(path)) << "made again";
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(TempDirectoryTest, RemovesOnlyDirectoriesOfEndedRuns) {
    const std::string dead = std::to_string(DeadProcessId());
    const std::string own = std::to_string(::getpid());
    const std::string parent = std::to_string(::getppid());
    const std::string stale = MakeDir("sonaro-" + dead + "-AbC123");
    const std::string mine = MakeDir("sonaro-" + own + "-AbC123");
    const std::string living = MakeDir("sonaro-" + parent + "-AbC123");
    const std::string shortSuffix = MakeDir("sonaro-" + dead + "-AbC12");
    const std::string noPid = MakeDir("sonaro--AbC123");
    const std::string longPid = MakeDir("sonaro-0000000000" + dead + "-AbC123");
    const std::string other = MakeDir("other-" + dead + "-AbC123");
    const std::string target = MakeDir("kept");
    fs::create_directory_symlink(target, scratch_.File("sonaro-" + dead + "-Link12"));
    std::ofstream(scratch_.File("sonaro-" + dead + "-File12")) << "a file";

    EXPECT_EQ(TempDirectory::RemoveStale(), 1);

    EXPECT_FALSE(fs::exists(stale));
    for (const auto& kept : {mine, living, shortSuffix, noPid, longPid, other, target}) {
        EXPECT_TRUE(fs::exists(kept + "/SN_1_tmp.tmp")) << kept;
    }
    EXPECT_TRUE(fs::is_symlink(scratch_.File("sonaro-" + dead + "-Link12")));
    EXPECT_TRUE(fs::exists(scratch_.File("sonaro-" + dead + "-File12")));
}

TEST_F(TempDirectoryTest, MissingBaseDirectoryRemovesNothing) {
    ::setenv("TMPDIR", scratch_.File("absent").c_str(), 1);
    EXPECT_EQ(TempDirectory::RemoveStale(), 0);
}

}  // namespace
}  // namespace sonaro
