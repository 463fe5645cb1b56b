// sonaro-convert as a user runs it: --info, usage errors, help and version.
#include <gtest/gtest.h>

#include "tests/support/man_page.h"
#include "tests/support/run_process.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

const std::string kProgram = SONARO_CONVERT_PATH;

TEST(CliInfo, PrintsTheSixLines) {
    test::ScratchDir dir;
    const auto path =
        dir.Write("in.wav", test::PcmSpec(44100, 2, 16, std::vector<std::uint8_t>(617400)).Build());
    const auto result = test::RunProcess(kProgram, {"--info", path});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out,
              "Format: PCM\nSize: 603 kB\nPlayback time: 00:03.50\nSampling rate: 44100 Hz\n"
              "Channels: stereo\nBit depth: 16 bits\n");
    EXPECT_EQ(result.err, "");
}

TEST(CliInfo, RefusedFileGivesPathAndMessage) {
    test::ScratchDir dir;
    auto spec = test::PcmSpec(22050, 2, 16);
    spec.avgBytes = 88201;
    const auto path = dir.Write("odd.wav", spec.Build());
    const auto result = test::RunProcess(kProgram, {"--info", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, test::CliMessage(path,
                                           "Avarage bytes per second does not match\nto the other "
                                           "data specified in the file."));
}

// Several files: a block under each name, a refusal not stopping the rest; with --json, one
// object per file and line, holding the refusal's text, its file name escaped.
TEST(CliInfo, SeveralFilesInBlocksOrJsonLines) {
    test::ScratchDir dir;
    const auto good =
        dir.Write("in.wav", test::PcmSpec(8000, 1, 8, std::vector<std::uint8_t>(8000)).Build());
    const auto odd =
        dir.Write("a \"b\"\n\xff.wav", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '});
    const auto blocks = test::RunProcess(kProgram, {"--info", odd, good});
    EXPECT_EQ(blocks.exitCode, 1);
    EXPECT_EQ(blocks.err, test::CliMessage(odd, "Not a Wave file."));
    EXPECT_EQ(blocks.out, good +
                              ":\nFormat: PCM\nSize: 8 kB\nPlayback time: 00:01.00\nSampling rate: "
                              "8000 Hz\nChannels: mono\nBit depth: 8 bits\n");
    const auto json = test::RunProcess(kProgram, {"--info", "--json", good, odd});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(json.err, "");
    EXPECT_EQ(json.out, "{\"file\":\"" + good +
                            "\",\"format\":\"PCM\",\"sizeKB\":8,\"playbackSeconds\":1,\"rate\":"
                            "8000,\"channels\":1,\"bits\":8}\n"
                            "{\"file\":\"" +
                            dir.path() +
                            "/a \\\"b\\\"\\n\\ufffd.wav\",\"error\":\"Not a Wave file.\"}\n");
}

TEST(CliInfo, UnreadableInputs) {
    test::ScratchDir dir;
    const struct {
        std::string path;
        std::string message;
    } cases[] = {{dir.File("none.wav"), "The file could not be located."},
                 {dir.path(), "The file could not be accessed."},
                 {"/dev/null", "Can not read file."}};
    for (const auto& c : cases) {
        const auto result = test::RunProcess(kProgram, {"--info", c.path});
        EXPECT_EQ(result.exitCode, 1) << c.path;
        EXPECT_EQ(result.err, test::CliMessage(c.path, c.message));
    }
}

// Each usage error: its one line, the hint, exit status 2 and nothing on standard output.
TEST(CliUsage, ErrorsExitTwo) {
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{}, "no input file given"},
        {{"--info"}, "no input file given"},
        {{"--bogus=1", "in", "-o", "o"}, "unknown option --bogus"},
        {{"-qz", "in", "-o", "o"}, "unknown option -z"},
        {{"--out", "o", "in"}, "option --out is ambiguous"},
        {{"--quiet=yes", "in", "-o", "o"}, "option --quiet takes no value"},
        {{"in.wav", "-o"}, "option --output needs a value"},
        {{"--json", "a.wav", "-o", "b.wav"}, "--json goes with --info"},
        {{"--info", "a.wav", "-o", "b.wav"}, "--info takes files and no output"},
        {{"in.wav"}, "give either -o OUTPUT or --output-dir DIR"},
        {{"a.wav", "b.wav", "-o", "out.wav"},
         "-o takes one input; use --output-dir DIR for several"},
        {{"in.wav", "-o", "out.wav", "--output-dir", "dir"},
         "give either -o OUTPUT or --output-dir DIR"},
        {{"--volume=11", "in.wav", "-o", "out.wav"}, "--volume takes a level from 0 to 10"},
        {{"--volume", "x", "in.wav", "-o", "out.wav"}, "--volume takes a level from 0 to 10"},
        {{"-j0", "in.wav", "--output-dir", "d"}, "--jobs takes a number from 1 to 64"},
        {{"-", "--output-dir", "d"}, "the standard input (-) is converted with -o OUTPUT only"},
        {{"--import", "x/a.mp3", "a.flac", "--output-dir", "d"},
         "two results are named a.wav; they would overwrite each other in d"},
        {{"--existing=keep", "a.wav", "--output-dir", "d"},
         "--existing takes replace, skip or number"},
        {{"--existing=skip", "a.wav", "-o", "b.wav"}, "--existing goes with --output-dir"},
        {{"--existing=skip", "--info", "a.wav"}, "--existing goes with --output-dir"},
    };
    for (const auto& c : cases) {
        const auto result = test::RunProcess(kProgram, c.arguments);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_EQ(result.err, "sonaro-convert: " + c.message +
                                  "\nTry 'sonaro-convert --help' for more information.\n");
        EXPECT_EQ(result.out, "");
    }
}

TEST(CliUsage, HelpAndVersionGoToStandardOutput) {
    const auto help = test::RunProcess(kProgram, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: sonaro-convert [--import] --info [--json] FILE..."),
              std::string::npos);
    const auto version = test::RunProcess(kProgram, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out,
              "sonaro-convert 1.14\nCopyright (C) 2026 The Sonaro developers. MIT licence: free "
              "to use, change and share; no warranty.\n");
}

TEST(CliUsage, ManPageNamesEveryOptionOfTheHelp) {
    const auto help = test::RunProcess(kProgram, {"--help"});
    EXPECT_EQ(test::OptionsMissingFromManPage(help.out, "sonaro-convert"),
              std::vector<std::string>{});
}

}  // namespace
}  // namespace sonaro
