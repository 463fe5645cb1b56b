// Imports one file, as many times as asked, and prints how long the first import took (its
// decoder started for it), then the median, fastest and slowest of the others, each started a
// pause after the one before (as when a conversion or a user follows an import), which leaves
// time for the decoder started ahead to load; how many progress reports it made; the outcome.
// Usage: sonaro-bench-import INPUT OUTPUT [RUNS [PAUSE_MS]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "import/sandboxed_importer.h"

namespace {

// A progress interface that only counts the reports; it never asks to stop.
class CountingProgress final : public sonaro::ProgressPort {
  public:
    void SetMessage(const std::string&) override {}
    bool Report(int) override {
        ++reports;
        return false;
    }
    long reports = 0;
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
    std::optional<sonaro::Failure> failure;
    CountingProgress progress;
    for (int run = 0; run < runs && !failure; ++run) {
        if (run > 0) {
            std::this_thread::sleep_for(pause);
        }
        progress.reports = 0;
        const auto start = std::chrono::steady_clock::now();
        failure = importer.Import(argv[1], argv[2], progress);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        milliseconds.push_back(took.count());
    }
    std::printf("%s: first %.2f ms", failure ? "failed" : "done", milliseconds.front());
    if (milliseconds.size() > 1) {
        std::vector<double> others(milliseconds.begin() + 1, milliseconds.end());
        std::sort(others.begin(), others.end());
        std::printf("; then median %.2f ms, fastest %.2f, slowest %.2f over %zu runs %lld ms apart",
                    others[others.size() / 2], others.front(), others.back(), others.size(),
                    static_cast<long long>(pause.count()));
    }
    std::printf(", %ld reports%s%s\n", progress.reports, failure ? ": " : "",
                failure ? failure->Text().c_str() : "");
    return failure ? 1 : 0;
}
