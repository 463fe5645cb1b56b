#pragma once

#include <optional>
#include <string>
#include <vector>

#include "convert/batch/result_names.h"
#include "convert/files/outcome.h"

namespace sonaro {

// The name the program's messages begin with.
inline constexpr char kProgramName[] = "sonaro-convert";

// What a run of sonaro-convert was asked to do.
struct CommandLine {
    enum class Action { Help, Version, Info, Convert };

    Action action = Action::Help;
    std::vector<std::string> inputs;
    std::string output;     // -o: the one output file
    std::string outputDir;  // --output-dir: one output per input, named as the input
    // --existing: what becomes of a result whose name is taken in DIR; none: it replaces a file
    // there, and two inputs whose results share a name are refused.
    std::optional<NameTaken> existing;
    // In --output-dir mode, where each input's result goes (empty: skipped), as planned when the
    // options were checked.
    std::vector<std::string> results;
    int volumeLevel = 10;
    int jobs = 1;
    bool quiet = false;
    bool printResult = false;  // print the result's six information lines
    bool import = false;       // inputs the reader refuses are imported first
    bool json = false;         // --info as one JSON object per file
};

// Parses the arguments: the command, or the usage error in the failure's words.
Outcome<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments);

// The text of --help.
std::string UsageText();

}  // namespace sonaro
