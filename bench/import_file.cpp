// Imports one file, as many times as asked, and prints the median, fastest and slowest time of an
// import, how many times events were pumped and the outcome.
// Usage: sonaro-bench-import INPUT OUTPUT [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "import/sandboxed_importer.h"

namespace {

// A progress window that only counts what it is asked to do.
class CountingProgress final : public sonaro::ProgressPort {
  public:
    bool BeginModal(const std::string&, bool) override { return true; }
    int SetBarRange(int, int, int) override { return 0; }
    int SetBarPos(int position) override { return position; }
    void SetMessage(const std::string&) override {}
    void Layout(int, int) override {}
    void PumpWaitingMessages(bool) override { ++pumps; }
    bool IsCancelled() const override { return false; }
    long pumps = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc == 4 ? std::max(1, std::atoi(argv[3])) : 1;
    sonaro::SandboxedImporter importer;
    std::vector<double> milliseconds;
    sonaro::ImportOutcome outcome;
    CountingProgress progress;
    for (int run = 0; run < runs && outcome.status == sonaro::ImportOutcome::Status::Done; ++run) {
        progress.pumps = 0;
        const auto start = std::chrono::steady_clock::now();
        outcome = importer.Import(argv[1], argv[2], progress);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        milliseconds.push_back(took.count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    const bool done = outcome.status == sonaro::ImportOutcome::Status::Done;
    std::printf("%s: median %.2f ms, fastest %.2f, slowest %.2f over %zu runs, %ld pumps%s%s\n",
                done ? "done" : "failed", milliseconds[milliseconds.size() / 2],
                milliseconds.front(), milliseconds.back(), milliseconds.size(), progress.pumps,
                outcome.reason.empty() ? "" : ": ", outcome.reason.c_str());
    return done ? 0 : 1;
}
