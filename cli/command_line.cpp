#include "cli/command_line.h"

#include <charconv>
#include <set>

#include "document/path_parts.h"

namespace sonaro {
namespace {

bool ParseInt(const std::string& text, int low, int high, int& value) {
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

// Checks that the options given fit together and choose one action.
bool Validate(CommandLine& result, bool info, std::string& error) {
    if (result.action == CommandLine::Action::Help ||
        result.action == CommandLine::Action::Version) {
        return true;
    }
    if (result.inputs.empty()) {
        error = "no input file given";
        return false;
    }
    if (info) {
        if (!result.output.empty() || !result.outputDir.empty() || result.inputs.size() != 1) {
            error = "--info takes exactly one file and no output";
            return false;
        }
        result.action = CommandLine::Action::Info;
        return true;
    }
    if (result.output.empty() == result.outputDir.empty()) {
        error = "give either -o OUTPUT or --output-dir DIR";
        return false;
    }
    if (!result.output.empty() && result.inputs.size() != 1) {
        error = "-o takes one input; use --output-dir DIR for several";
        return false;
    }
    if (!result.outputDir.empty()) {
        std::set<std::string> names;
        for (const std::string& input : result.inputs) {
            if (!names.insert(FileNamePart(input)).second) {
                error = "two inputs are named " + FileNamePart(input) +
                        "; their results would overwrite each other in " + result.outputDir;
                return false;
            }
        }
    }
    result.action = CommandLine::Action::Convert;
    return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, CommandLine& result,
                      std::string& error) {
    result = CommandLine{};
    result.action = CommandLine::Action::Convert;
    bool info = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        auto takeValue = [&](std::string& into) {
            if (!hasValue) {
                error = "option " + arg + " needs a value";
                return false;
            }
            into = arguments[++i];
            return true;
        };
        std::string value;
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            result.inputs.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            result.action = CommandLine::Action::Help;
            return true;
        } else if (arg == "--version") {
            result.action = CommandLine::Action::Version;
            return true;
        } else if (arg == "--info") {
            info = true;
        } else if (arg == "-q" || arg == "--quiet") {
            result.quiet = true;
        } else if (arg == "--print-result") {
            result.printResult = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!takeValue(result.output)) {
                return false;
            }
        } else if (arg == "--output-dir") {
            if (!takeValue(result.outputDir)) {
                return false;
            }
        } else if (arg == "--volume") {
            if (!takeValue(value) || !ParseInt(value, 0, 10, result.volumeLevel)) {
                error = error.empty() ? "--volume takes a level from 0 to 10" : error;
                return false;
            }
        } else if (arg == "-j" || arg == "--jobs") {
            if (!takeValue(value) || !ParseInt(value, 1, 64, result.jobs)) {
                error = error.empty() ? "--jobs takes a number from 1 to 64" : error;
                return false;
            }
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    return Validate(result, info, error);
}

std::string UsageText() {
    return "Usage: sonaro-convert --info FILE\n"
           "       sonaro-convert [--volume N] [--quiet] INPUT -o OUTPUT\n"
           "       sonaro-convert [--volume N] [--quiet] [--jobs N] INPUT... --output-dir DIR\n"
           "\n"
           "Converts WAV files (PCM, Microsoft ADPCM, Voxware) to the A-law WAV format of the\n"
           "Tavrin Palmet handheld: 8000 Hz, 8 bits, mono.\n"
           "\n"
           "  --info FILE          show the file's format, size, playback time, sampling rate,\n"
           "                       channels and bit depth\n"
           "  -o, --output FILE    write the converted file here (may be the input itself)\n"
           "  --output-dir DIR     write each input's result to DIR under the input's name\n"
           "  --volume N           volume level from 0 to 10 (default 10)\n"
           "  -j, --jobs N         convert up to N files at once (default 1)\n"
           "  -q, --quiet          no progress line\n"
           "  --print-result       print the converted file's format, size, playback time,\n"
           "                       sampling rate, channels and bit depth\n"
           "  -h, --help           show this text\n"
           "      --version        show the version\n"
           "\n"
           "Exit status: 0 when every file converted, 1 when a file was refused or failed,\n"
           "2 for a usage error.\n";
}

}  // namespace sonaro
