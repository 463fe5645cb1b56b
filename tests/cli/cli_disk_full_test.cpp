// sonaro-convert on a really full disk: a small tmpfs, mounted when the tests run as root.
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

const std::string kProgram = SONARO_CONVERT_PATH;

// A 64 kB tmpfs over a scratch directory for the test's lifetime.
class SmallDisk {
  public:
    SmallDisk() : path_(scratch_.File("disk")) {
        std::filesystem::create_directory(path_);
        mounted_ =
            ::geteuid() == 0 && ::mount("sonaro-test", path_.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount(path_.c_str());
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    test::ScratchDir scratch_;
    std::string path_;
    bool mounted_ = false;
};

std::vector<std::uint8_t> Noise(std::uint32_t rate, std::size_t frames) {
    std::vector<std::int16_t> samples(frames);
    std::uint32_t state = 1;
    for (auto& sample : samples) {
        state = state * 1664525U + 1013904223U;
        sample = static_cast<std::int16_t>(state >> 16);
    }
    return test::Pcm16Spec(rate, 1, samples).Build();
}

TEST(CliDiskFull, ResultThatDoesNotFitLeavesTheOldFileAlone) {
    SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << "a tmpfs cannot be mounted here";
    }
    test::ScratchDir dir;
    const auto input = dir.Write("in.wav", Noise(8000, 100000));  // 100 kB of A-law
    const std::vector<std::uint8_t> old(1000, 0x5A);
    const std::string output = disk.File("out.wav");
    test::ScratchDir outputCopy;
    const std::string written = outputCopy.Write("x", old);
    std::filesystem::copy_file(written, output);
    const auto result = test::RunProcess(kProgram, {input, "-o", output});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, test::CliMessage(output, "The disk is full."));
    EXPECT_EQ(test::ReadAll(output), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.File("")),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file left beside the result";
}

TEST(CliDiskFull, IntermediateFilesThatDoNotFit) {
    SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << "a tmpfs cannot be mounted here";
    }
    test::ScratchDir dir;
    const auto input = dir.Write("in.wav", Noise(16000, 40000));  // 160 kB as floats
    const auto result =
        test::RunProcess(kProgram, {input, "-o", dir.File("out.wav")}, {"TMPDIR=" + disk.File("")});
    EXPECT_EQ(result.exitCode, 1);
    // The message names the intermediate file that did not fit, in the run's private directory.
    EXPECT_TRUE(std::regex_match(result.err, std::regex("sonaro-convert: " + disk.File("") +
                                                        "/sonaro-[0-9]+-[A-Za-z0-9]{6}/"
                                                        "SN_1_tmp.tmp: The disk is full.\n")))
        << result.err;
    EXPECT_FALSE(test::Exists(dir.File("out.wav")));
    EXPECT_TRUE(std::filesystem::is_empty(disk.File("")));
}

}  // namespace
}  // namespace sonaro
