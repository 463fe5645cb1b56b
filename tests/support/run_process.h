#pragma once

#include <string>
#include <vector>

namespace sonaro::test {

struct ProcessResult {
    int exitCode = -1;  // the exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// A message of sonaro-convert as it prints it: one line naming the program and the file.
inline std::string CliMessage(const std::string& path, const std::string& text) {
    return "sonaro-convert: " + path + ": " + text + "\n";
}

// Runs a program with these arguments (and environment entries "NAME=value" set, or "NAME"
// removed), waits for it and answers what it printed.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});

}  // namespace sonaro::test
