// Imports one file, as many times as asked, and prints how long the first import took (its
// decoder started for it), then the median, fastest and slowest of the others, each started a
// pause after the one before (as when a conversion or a user follows an import), which leaves
// time for the decoder started ahead to load; how many times events were pumped; the outcome.
// Usage: sonaro-bench-import INPUT OUTPUT [RUNS [PAUSE_MS]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
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
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT [RUNS [PAUSE_MS]]\n", argv[0]);
        return 2;
    }
    const int runs = argc >= 4 ? std::max(1, std::atoi(argv[3])) : 1;
    const std::chrono::milliseconds pause(argc == 5 ? std::atoi(argv[4]) : 50);
    sonaro::SandboxedImporter importer;
    std::vector<double> milliseconds;
    sonaro::ImportOutcome outcome;
    CountingProgress progress;
    for (int run = 0; run < runs && outcome.status == sonaro::ImportOutcome::Status::Done; ++run) {
        if (run > 0) {
            std::this_thread::sleep_for(pause);
        }
        progress.pumps = 0;
        const auto start = std::chrono::steady_clock::now();
        outcome = importer.Import(argv[1], argv[2], progress);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        milliseconds.push_back(took.count());
    }
    const bool done = outcome.status == sonaro::ImportOutcome::Status::Done;
    std::printf("%s: first %.2f ms", done ? "done" : "failed", milliseconds.front());
    if (milliseconds.size() > 1) {
        std::vector<double> others(milliseconds.begin() + 1, milliseconds.end());
        std::sort(others.begin(), others.end());
        std::printf("; then median %.2f ms, fastest %.2f, slowest %.2f over %zu runs %lld ms apart",
                    others[others.size() / 2], others.front(), others.back(), others.size(),
                    static_cast<long long>(pause.count()));
    }
    std::printf(", %ld pumps%s%s\n", progress.pumps, outcome.reason.empty() ? "" : ": ",
                outcome.reason.c_str());
    return done ? 0 : 1;
}
