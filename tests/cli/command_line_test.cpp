// The options of sonaro-convert as getopt_long reads them: every form a GNU tool takes, and the
// message for each argument it does not.
#include <gtest/gtest.h>

#include "cli/command_line.h"

namespace sonaro {
namespace {

// The parsed command as one line, so that a case states all of it.
std::string Describe(const CommandLine& c) {
    static const char* const kActions[] = {"help", "version", "info", "convert"};
    std::string inputs;
    for (const std::string& input : c.inputs) {
        inputs += "[" + input + "]";
    }
    return std::string(kActions[static_cast<int>(c.action)]) + " " + inputs + " o=" + c.output +
           " dir=" + c.outputDir + " v" + std::to_string(c.volumeLevel) + " j" +
           std::to_string(c.jobs) + (c.quiet ? " q" : "") + (c.printResult ? " p" : "") +
           (c.import ? " i" : "");
}

TEST(CommandLine, AcceptsTheGnuForms) {
    const struct {
        std::vector<std::string> arguments;
        std::string parsed;
    } cases[] = {
        {{"--volume=5", "in.wav", "-o", "out.wav"}, "convert [in.wav] o=out.wav dir= v5 j1"},
        {{"in.wav", "--output", "out.wav", "--volume", "0"},
         "convert [in.wav] o=out.wav dir= v0 j1"},
        {{"--output-dir=d", "a", "b", "-j2"}, "convert [a][b] o= dir=d v10 j2"},
        {{"-qj", "3", "a", "--output-dir", "d"}, "convert [a] o= dir=d v10 j3 q"},
        {{"-qoout.wav", "--print-result", "in.wav"}, "convert [in.wav] o=out.wav dir= v10 j1 q p"},
        {{"-o", "out.wav", "--", "-in.wav"}, "convert [-in.wav] o=out.wav dir= v10 j1"},
        {{"-", "-o", "-"}, "convert [-] o=- dir= v10 j1"},
        {{"--info", "in.wav"}, "info [in.wav] o= dir= v10 j1"},
        {{"--import", "--info", "a.mp3"}, "info [a.mp3] o= dir= v10 j1 i"},
        {{"a.mp3", "b.mp3", "--import", "--output-dir=d"},
         "convert [a.mp3][b.mp3] o= dir=d v10 j1 i"},
        {{"--volume", "3", "--version", "--bogus"}, "version  o= dir= v3 j1"},
        {{"-h", "-o"}, "help  o= dir= v10 j1"},
    };
    for (const auto& c : cases) {
        CommandLine parsed;
        std::string error;
        EXPECT_TRUE(ParseCommandLine(c.arguments, parsed, error)) << error;
        EXPECT_EQ(Describe(parsed), c.parsed) << testing::PrintToString(c.arguments);
    }
}

TEST(CommandLine, NamesWhatItRefuses) {
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{"--volume=11", "in", "-o", "o"}, "--volume takes a level from 0 to 10"},
        {{"-j0", "in", "--output-dir", "d"}, "--jobs takes a number from 1 to 64"},
        {{"--quiet=yes", "in", "-o", "o"}, "option --quiet takes no value"},
        {{"in", "-o"}, "option --output needs a value"},
        {{"-qz", "in", "-o", "o"}, "unknown option -z"},
        {{"--bogus=1", "in", "-o", "o"}, "unknown option --bogus"},
        {{"--out", "o", "in"}, "option --out is ambiguous"},
        {{"in", "-o", "o", "--output-dir", "d"}, "give either -o OUTPUT or --output-dir DIR"},
        {{"--import", "x/a.mp3", "a.flac", "--output-dir", "d"},
         "two results are named a.wav; they would overwrite each other in d"},
    };
    for (const auto& c : cases) {
        CommandLine parsed;
        std::string error;
        EXPECT_FALSE(ParseCommandLine(c.arguments, parsed, error));
        EXPECT_EQ(error, c.error) << testing::PrintToString(c.arguments);
    }
}

}  // namespace
}  // namespace sonaro
