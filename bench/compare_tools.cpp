// Runs several converters on the same input, alternately, RUNS times each, and prints one row of
// a Markdown table: the label, the median wall time of each tool in seconds, with --floor the
// least time the last tool can take (see conversion_floor.cpp) and its median over that, the last
// tool's median over the best median of the others, and the last tool's peak memory.
//
//   sonaro-bench-compare [--floor SECONDS] LABEL RUNS NAME=COMMAND [NAME=COMMAND...]
//
// A COMMAND is run with /bin/sh -c as "exec COMMAND", so that the peak memory measured (the
// child's maximum resident set size) is the tool's own, not the shell's. A COMMAND "!REASON" is
// not run: its column says (REASON), as for a peer that cannot read the input.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Tool {
    std::string name;
    std::string command;
    std::vector<double> seconds;
    long peakKiB = 0;
    bool failed = false;

    bool Skipped() const { return !command.empty() && command[0] == '!'; }
    bool Timed() const { return !failed && !Skipped(); }
};

// Runs the command once; answers false when it did not exit with status 0.
bool RunOnce(Tool& tool) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string command = "exec " + tool.command;
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    tool.seconds.push_back(elapsed.count());
    tool.peakKiB = std::max(tool.peakKiB, usage.ru_maxrss);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One cell of the row: "**ratio**" when the last tool is not faster.
void PrintRatio(double ratio) {
    std::printf(ratio >= 1 ? " **%.2f** |" : " %.2f |", ratio);
}

void PrintRow(const std::string& label, const std::vector<Tool>& tools, double floor) {
    std::printf("| %s |", label.c_str());
    double best = 0;
    for (std::size_t t = 0; t < tools.size(); ++t) {
        const Tool& tool = tools[t];
        if (tool.Skipped()) {
            std::printf(" (%s) |", tool.command.c_str() + 1);
            continue;
        }
        const double median = tool.failed ? 0 : Median(tool.seconds);
        std::printf(tool.failed ? " failed |" : " %.3f |", median);
        if (t + 1 < tools.size() && !tool.failed && (best == 0 || median < best)) {
            best = median;
        }
    }
    const Tool& last = tools.back();
    const double median = last.Timed() ? Median(last.seconds) : 0;
    if (floor > 0) {
        std::printf(" %.3f |", floor);
        if (median > 0) {
            PrintRatio(median / floor);
        } else {
            std::printf(" - |");
        }
    }
    if (median == 0 || best == 0) {
        std::printf(" - | - |\n");
        return;
    }
    PrintRatio(median / best);
    std::printf(" %.1f MB |\n", static_cast<double>(last.peakKiB) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    double floor = 0;
    if (argc > 2 && std::string(argv[1]) == "--floor") {
        floor = std::atof(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: sonaro-bench-compare [--floor SECONDS] LABEL RUNS NAME=COMMAND...\n");
        return 2;
    }
    const std::string label = argv[1];
    const int runs = std::max(1, std::atoi(argv[2]));
    std::vector<Tool> tools;
    for (int i = 3; i < argc; ++i) {
        const std::string spec = argv[i];
        const auto equals = spec.find('=');
        tools.push_back({spec.substr(0, equals), spec.substr(equals + 1), {}, 0, false});
    }
    for (int run = 0; run < runs; ++run) {
        for (Tool& tool : tools) {
            if (tool.Timed() && !RunOnce(tool)) {
                std::fprintf(stderr, "%s failed: %s\n", tool.name.c_str(), tool.command.c_str());
                tool.failed = true;
            }
        }
    }
    PrintRow(label, tools, floor);
    return 0;
}
