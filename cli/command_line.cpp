#include "cli/command_line.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <map>

#include "convert/files/file.h"
#include "convert/files/path_parts.h"

namespace sonaro {
namespace {

// What the options say before they are checked to fit together.
struct Parsed {
    CommandLine command;
    bool info = false;
};

bool ParseInt(const std::string& text, int low, int high, int& value) {
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

// One option: its long name, its short letter (0 for none), whether it takes a value, and what
// it does to the command (false, with error set, for a value it does not take).
struct OptionSpec {
    const char* name;
    char letter;
    bool takesValue;
    bool (*apply)(Parsed& parsed, const std::string& value, std::string& error);
};

constexpr OptionSpec kOptions[] = {
    {"help", 'h', false,
     [](Parsed& p, const std::string&, std::string&) {
         p.command.action = CommandLine::Action::Help;
         return true;
     }},
    {"version", 0, false,
     [](Parsed& p, const std::string&, std::string&) {
         p.command.action = CommandLine::Action::Version;
         return true;
     }},
    {"info", 0, false,
     [](Parsed& p, const std::string&, std::string&) {
         p.info = true;
         return true;
     }},
    {"quiet", 'q', false,
     [](Parsed& p, const std::string&, std::string&) {
         p.command.quiet = true;
         return true;
     }},
    {"import", 0, false,
     [](Parsed& p, const std::string&, std::string&) {
         p.command.import = true;
         return true;
     }},
    {"print-result", 0, false,
     [](Parsed& p, const std::string&, std::string&) {
         p.command.printResult = true;
         return true;
     }},
    {"json", 0, false,
     [](Parsed& p, const std::string&, std::string&) {
         p.command.json = true;
         return true;
     }},
    {"output", 'o', true,
     [](Parsed& p, const std::string& value, std::string&) {
         p.command.output = value;
         return true;
     }},
    {"output-dir", 0, true,
     [](Parsed& p, const std::string& value, std::string&) {
         p.command.outputDir = value;
         return true;
     }},
    {"existing", 0, true,
     [](Parsed& p, const std::string& value, std::string& error) {
         static const std::map<std::string, NameTaken> kPolicies = {{"replace", NameTaken::Replace},
                                                                    {"skip", NameTaken::Skip},
                                                                    {"number", NameTaken::Number}};
         const auto policy = kPolicies.find(value);
         if (policy == kPolicies.end()) {
             error = "--existing takes replace, skip or number";
             return false;
         }
         p.command.existing = policy->second;
         return true;
     }},
    {"volume", 0, true,
     [](Parsed& p, const std::string& value, std::string& error) {
         if (!ParseInt(value, 0, 10, p.command.volumeLevel)) {
             error = "--volume takes a level from 0 to 10";
             return false;
         }
         return true;
     }},
    {"jobs", 'j', true,
     [](Parsed& p, const std::string& value, std::string& error) {
         if (!ParseInt(value, 1, 64, p.command.jobs)) {
             error = "--jobs takes a number from 1 to 64";
             return false;
         }
         return true;
     }},
};
constexpr int kCount = static_cast<int>(std::size(kOptions));
// getopt's answer for an option without a letter: its index above every character.
constexpr int kIndexBase = 256;

// The option getopt answered with, or null.
const OptionSpec* Find(int code) {
    for (int i = 0; i < kCount; ++i) {
        if (code == (kOptions[i].letter != 0 ? kOptions[i].letter : kIndexBase + i)) {
            return &kOptions[i];
        }
    }
    return nullptr;
}

// The table in getopt_long's terms: "-" gives the other arguments back in place (code 1), ":"
// tells a missing value apart from an unknown option.
std::string ShortOptions() {
    std::string letters = "-:";
    for (const OptionSpec& spec : kOptions) {
        if (spec.letter != 0) {
            letters += spec.letter;
            letters += spec.takesValue ? ":" : "";
        }
    }
    return letters;
}

std::vector<option> LongOptions() {
    std::vector<option> options;
    for (int i = 0; i < kCount; ++i) {
        const OptionSpec& spec = kOptions[i];
        options.push_back({spec.name, spec.takesValue ? required_argument : no_argument, nullptr,
                           spec.letter != 0 ? spec.letter : kIndexBase + i});
    }
    options.push_back({nullptr, 0, nullptr, 0});
    return options;
}

// The message for an argument getopt did not take. The argument is that just passed, or, in a
// group of short options, the letter getopt names.
std::string OptionError(int code, const std::string& argument) {
    const OptionSpec* spec = Find(optopt);
    if (code == ':' && spec != nullptr) {
        return std::string("option --") + spec->name + " needs a value";
    }
    if (spec != nullptr) {
        return std::string("option --") + spec->name + " takes no value";
    }
    if (optopt != 0) {
        return std::string("unknown option -") + static_cast<char>(optopt);
    }
    const std::string typed = argument.substr(0, argument.find('='));
    const auto starts = [&](const OptionSpec& o) {
        return ("--" + std::string(o.name)).starts_with(typed);
    };
    if (std::count_if(std::begin(kOptions), std::end(kOptions), starts) > 1) {
        return "option " + typed + " is ambiguous";
    }
    return "unknown option " + typed;
}

// In --output-dir mode: where each result goes. Without --existing two results of one name are
// refused; an output that is one of the inputs itself (the same file, also through links) would be
// replaced by a result before, or instead of, being read.
bool PlanResultsInDirectory(CommandLine& command, std::string& error) {
    const ResultPlan plan = PlanResults(
        command.inputs,
        {command.outputDir, command.import, command.existing.value_or(NameTaken::Replace)});
    if (!command.existing && !plan.sharedName.empty()) {
        error = "two results are named " + plan.sharedName +
                "; they would overwrite each other in " + command.outputDir;
        return false;
    }
    if (!plan.outputOverInput.empty()) {
        error = "output " + plan.outputOverInput + " is the input " + plan.inputUnderOutput +
                " itself; its result would replace it";
        return false;
    }
    for (const PlannedResult& result : plan.results) {
        command.results.push_back(result.output);
    }
    return true;
}

// Checks that the options given fit together and choose one action.
bool Validate(Parsed& parsed, std::string& error) {
    CommandLine& result = parsed.command;
    if (result.inputs.empty()) {
        error = "no input file given";
        return false;
    }
    if (result.json && !parsed.info) {
        error = "--json goes with --info";
        return false;
    }
    if (result.existing && result.outputDir.empty()) {
        error = "--existing goes with --output-dir";
        return false;
    }
    if (parsed.info) {
        if (!result.output.empty() || !result.outputDir.empty()) {
            error = "--info takes files and no output";
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
        if (std::count(result.inputs.begin(), result.inputs.end(), kStandardStream) != 0) {
            error = "the standard input (-) is converted with -o OUTPUT only";
            return false;
        }
        if (!PlanResultsInDirectory(result, error)) {
            return false;
        }
    }
    result.action = CommandLine::Action::Convert;
    return true;
}

}  // namespace

// Options the GNU way: "--opt value", "--opt=value", "-j2", grouped letters ("-qj2"), options
// anywhere among the inputs, and "--" before inputs that begin with a dash. "-" is an input.
Outcome<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{kProgramName};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());
    const std::string letters = ShortOptions();
    const std::vector<option> longOptions = LongOptions();

    Parsed parsed;
    parsed.command.action = CommandLine::Action::Convert;
    std::string error;
    optind = 0;  // a fresh scan
    opterr = 0;
    for (int code; (code = getopt_long(argc, argv.data(), letters.c_str(), longOptions.data(),
                                       nullptr)) != -1;) {
        const OptionSpec* spec = Find(code);
        if (code == 1) {
            parsed.command.inputs.emplace_back(optarg);
        } else if (spec == nullptr) {
            return Failure::Words(OptionError(code, words[static_cast<std::size_t>(optind - 1)]));
        } else if (!spec->apply(parsed, optarg != nullptr ? optarg : "", error)) {
            return Failure::Words(error);
        }
        if (parsed.command.action != CommandLine::Action::Convert) {
            return parsed.command;  // --help and --version answer at once
        }
    }
    for (int i = optind; i < argc; ++i) {
        parsed.command.inputs.push_back(words[static_cast<std::size_t>(i)]);
    }
    if (!Validate(parsed, error)) {
        return Failure::Words(error);
    }
    return parsed.command;
}

std::string UsageText() {
    return "Usage: sonaro-convert [--import] --info [--json] FILE...\n"
           "       sonaro-convert [--import] [--volume N] [--quiet] [--print-result]\n"
           "                      INPUT -o OUTPUT\n"
           "       sonaro-convert [--import] [--volume N] [--quiet] [--jobs N]\n"
           "                      [--existing=replace|skip|number] INPUT... --output-dir DIR\n"
           "\n"
           "Converts WAV files (PCM, Microsoft ADPCM, Voxware) to the A-law WAV format of the\n"
           "Tavrin Palmet handheld: 8000 Hz, 8 bits, mono. An INPUT or OUTPUT of - is the\n"
           "standard input or output; a FIFO or a device as OUTPUT is written into, never\n"
           "replaced.\n"
           "\n"
           "  --info FILE...       show each file's format, size, playback time, sampling rate,\n"
           "                       channels and bit depth\n"
           "  --import             accept any sound file (FLAC, Ogg, MP3, AIFF, WAV with other\n"
           "                       chunks, sample sizes, rates or channels): one the WAV\n"
           "                       reader refuses is first made a PCM WAV file\n"
           "      --json           with --info: one JSON object per file and line\n"
           "  -o, --output FILE    write the converted file here (may be the input itself)\n"
           "  --output-dir DIR     write each input's result to DIR under the input's name\n"
           "                       (with --import, ending in .wav)\n"
           "  --existing=WHAT      when a result's name is taken in DIR, by a file there or by\n"
           "                       the result of another INPUT: replace it, skip the INPUT,\n"
           "                       or number the result (\"song (2).wav\"); without it a\n"
           "                       file there is replaced and two INPUTs whose results\n"
           "                       would share a name are refused\n"
           "  --volume N           volume level from 0 to 10 (default 10)\n"
           "  -j, --jobs N         convert up to N files at once (default 1)\n"
           "  -q, --quiet          no progress line\n"
           "  --print-result       print the converted file's format, size, playback time,\n"
           "                       sampling rate, channels and bit depth (on standard error\n"
           "                       when OUTPUT is -)\n"
           "  -h, --help           show this text\n"
           "      --version        show the version\n"
           "\n"
           "A value follows its option as \"--volume 5\" or \"--volume=5\"; short options may be\n"
           "grouped (\"-qj2\").\n"
           "Exit status: 0 when every file converted, 1 when a file was refused or failed,\n"
           "2 for a usage error. Ended by SIGINT, SIGTERM or SIGHUP, the program cleans up and\n"
           "dies of that signal (a shell reports 128 + its number).\n";
}

}  // namespace sonaro
