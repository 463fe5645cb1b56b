#pragma once

#include <string>
#include <vector>

namespace sonaro::test {

struct ProcessResult {
    int exitCode = -1;  // the exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// Runs a program with these arguments (and environment entries "NAME=value" set, or "NAME"
// removed), waits for it and answers what it printed.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});

// Runs a shell command line in that directory (to make test inputs with sox and ffmpeg).
ProcessResult RunShellIn(const std::string& directory, const std::string& command);

}  // namespace sonaro::test
