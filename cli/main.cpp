// sonaro-convert: the command-line front end on the conversion engine.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/convert_command.h"
#include "cli/info_command.h"
#include "cli/interrupt.h"
#include "convert/files/heap_policy.h"
#include "convert/files/temp_directory.h"
#include "resources/version.h"

int main(int argc, char** argv) {
    using sonaro::CommandLine;
    const auto parsed = sonaro::ParseCommandLine({argv + 1, argv + argc});
    if (!parsed) {
        std::cerr << sonaro::kProgramName << ": " << parsed.failure().Text() << "\n"
                  << "Try 'sonaro-convert --help' for more information.\n";
        return 2;
    }
    const CommandLine& command = *parsed;
    switch (command.action) {
        case CommandLine::Action::Help:
            std::cout << sonaro::UsageText();
            return 0;
        case CommandLine::Action::Version:
            std::cout << sonaro::VersionText(sonaro::kProgramName);
            return 0;
        case CommandLine::Action::Info:
        case CommandLine::Action::Convert:
            break;
    }
    sonaro::KeepFreedMemoryForReuse();
    sonaro::InstallInterruptHandlers();
    // Intermediate files of runs that were killed are removed before this run makes its own.
    sonaro::TempDirectory::RemoveStale();
    const int status =
        command.action == CommandLine::Action::Info
            ? sonaro::RunInfo(command.inputs, command.json, command.import, std::cout, std::cerr)
            : sonaro::RunConvert(command, std::cout, std::cerr);
    sonaro::EndLikeTheSignal();  // everything is cleaned up by now
    return status;
}
