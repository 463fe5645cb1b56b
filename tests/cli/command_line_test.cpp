// The options of sonaro-convert as getopt_long reads them: every form a GNU tool takes (the
// messages for what it refuses are in cli_info_test's usage table).
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
           (c.import ? " i" : "") +
           (c.existing ? " e" + std::to_string(static_cast<int>(*c.existing)) : "");
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
        {{"--existing=skip", "a", "--output-dir=d"}, "convert [a] o= dir=d v10 j1 e1"},
        {{"a", "b", "--existing", "number", "--output-dir=d"}, "convert [a][b] o= dir=d v10 j1 e2"},
        {{"--ex=replace", "a", "a", "--output-dir=d"}, "convert [a][a] o= dir=d v10 j1 e0"},
        {{"--volume", "3", "--version", "--bogus"}, "version  o= dir= v3 j1"},
        {{"-h", "-o"}, "help  o= dir= v10 j1"},
    };
    for (const auto& c : cases) {
        const Outcome<CommandLine> parsed = ParseCommandLine(c.arguments);
        ASSERT_TRUE(parsed) << parsed.failure().Text();
        EXPECT_EQ(Describe(*parsed), c.parsed) << testing::PrintToString(c.arguments);
    }
}

}  // namespace
}  // namespace sonaro
