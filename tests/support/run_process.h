#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
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
// removed), its standard input empty, waits for it and answers what it printed.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});

// Runs a shell command line in that directory (to make test inputs with sox and ffmpeg).
ProcessResult RunShellIn(const std::string& directory, const std::string& command);

// What a run reads, and where its output goes, beyond RunProcess's defaults.
struct ProcessSetup {
    std::vector<std::string> environment;
    std::optional<std::vector<std::uint8_t>> input;  // sent through a pipe as standard input
    std::string inputPath;          // else opened as standard input (empty: /dev/null)
    bool outputReaderGone = false;  // standard output a pipe nobody reads: writes fail (EPIPE)
};
ProcessResult RunProcessWith(const std::string& program, const std::vector<std::string>& arguments,
                             const ProcessSetup& setup);

// Starts a program in the background with its standard error going to a file, and answers its
// process id. With input given, its standard input is a pipe whose write end is put there.
pid_t StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment, const std::string& errorsPath,
                   int* input = nullptr);

// The text of /proc/PID/NAME ("status", "maps", ...); empty when the process is gone.
std::string ProcFile(pid_t pid, const char* name);

// The processes whose parent is pid, found in /proc.
std::vector<pid_t> ChildrenOf(pid_t pid);

}  // namespace sonaro::test
