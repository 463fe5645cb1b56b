// sonaro-convert finding codec drivers: --info on a Voxware file with and without a driver.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/codec_driver/test_codec_control.h"
#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_codecs.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

using test::TestCodecFault;

const std::string kProgram = SONARO_CONVERT_PATH;

std::string CodecPath(const std::vector<std::string>& directories) {
    std::string path = "SONARO_CODEC_PATH=";
    for (const std::string& directory : directories) {
        path += directory + ":";
    }
    return path;
}

std::string VoxwareFile(const test::ScratchDir& dir, TestCodecFault fault = TestCodecFault::None) {
    return dir.Write(
        "vox.wav", test::VoxwareSpec(test::VoxwareData(300), test::TestCodecBytes(fault)).Build());
}

TEST(CliCodecs, InfoOnVoxwareWithTheDriver) {
    test::ScratchDir dir;
    const auto path = VoxwareFile(dir);
    const auto result = test::RunProcess(
        kProgram, {"--info", path}, {CodecPath({test::DirectoryOf(test::VoxwareCodecLibrary())})});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out,
              "Format: Voxware\nSize: 1 kB\nPlayback time: 00:01.01\nSampling rate: 8000 Hz\n"
              "Channels: mono\nBit depth: 16 bits\n");
    EXPECT_EQ(result.err, "");
}

TEST(CliCodecs, ProbeAnswersWithoutAUsableDriver) {
    test::ScratchDir dir;
    std::filesystem::create_directory(dir.File("empty"));
    const std::string voxware = test::DirectoryOf(test::VoxwareCodecLibrary());
    const struct {
        std::vector<std::string> directories;
        TestCodecFault fault;
        std::string message;
    } cases[] = {
        {{dir.File("empty")}, TestCodecFault::None, "Voxware ACM driver not installed."},
        {{test::DirectoryOf(test::OtherTagCodecLibrary())},
         TestCodecFault::None,
         "Voxware ACM driver not installed."},
        {{voxware}, TestCodecFault::Suggest, "Voxware ACM driver not installed."},
        {{voxware}, TestCodecFault::Query, "Voxware conversion error."},
    };
    for (const auto& c : cases) {
        const auto path = VoxwareFile(dir, c.fault);
        const auto result =
            test::RunProcess(kProgram, {"--info", path}, {CodecPath(c.directories)});
        EXPECT_EQ(result.exitCode, 1) << c.message;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, test::CliMessage(path, c.message));
    }
}

// Libraries that are no drivers are named on standard error; the run goes on with the driver.
TEST(CliCodecs, UnusableLibrariesAreNamedAndPassedOver) {
    test::ScratchDir dir;
    const auto path = VoxwareFile(dir);
    const auto result =
        test::RunProcess(kProgram, {"--info", path},
                         {CodecPath({test::DirectoryOf(test::BrokenCodecLibrary()),
                                     test::DirectoryOf(test::WrongVersionCodecLibrary()),
                                     test::DirectoryOf(test::VoxwareCodecLibrary())})});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.substr(0, 16), "Format: Voxware\n");
    EXPECT_EQ(result.err,
              "sonaro-convert: codec driver " + test::BrokenCodecLibrary() +
                  " skipped: no entry point sonaro_codec_driver_entry\n"
                  "sonaro-convert: codec driver " +
                  test::WrongVersionCodecLibrary() +
                  " skipped: driver interface version 99, this program needs version 1\n");
}

// A Voxware file converted end to end through the test driver: three whole blocks of 720 frames
// each at 8000 Hz pass the resampler unchanged; the five trailing bytes are no block.
TEST(CliCodecs, ConvertsVoxwareThroughTheDriver) {
    test::ScratchDir dir;
    const auto input = dir.Write(
        "vox.wav",
        test::VoxwareSpec(test::VoxwareData(27 * 3 + 5), test::TestCodecBytes(TestCodecFault::None))
            .Build());
    std::filesystem::create_directory(dir.File("tmp"));
    const auto result = test::RunProcess(
        kProgram, {"--print-result", input, "-o", dir.File("out.wav")},
        {CodecPath({test::DirectoryOf(test::VoxwareCodecLibrary())}), "TMPDIR=" + dir.File("tmp")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "Format: A-Law\nSize: 3 kB\nPlayback time: 00:00.27\nSampling rate: 8000 Hz\n"
              "Channels: mono\nBit depth: 8 bits\n");
    EXPECT_EQ(test::ReadAll(dir.File("out.wav")).size(), 58U + 3 * 720);
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("tmp"))) << "temporary directory removed";
}

// A driver failing in the middle of the decoding: one message, no output, nothing left behind.
TEST(CliCodecs, DriverFailureDuringConversion) {
    test::ScratchDir dir;
    const auto input =
        dir.Write("vox.wav", test::VoxwareSpec(test::VoxwareData(27 * 4),
                                               test::TestCodecBytes(TestCodecFault::Convert, 2))
                                 .Build());
    std::filesystem::create_directory(dir.File("tmp"));
    const auto result = test::RunProcess(
        kProgram, {input, "-o", dir.File("out.wav")},
        {CodecPath({test::DirectoryOf(test::VoxwareCodecLibrary())}), "TMPDIR=" + dir.File("tmp")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, test::CliMessage(input, "Voxware conversion error."));
    EXPECT_FALSE(test::Exists(dir.File("out.wav")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("tmp")));
}

}  // namespace
}  // namespace sonaro
