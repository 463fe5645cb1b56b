// Imports one file and prints how long it took, how many times it reported progress and the
// outcome.
// Usage: sonaro-bench-import INPUT OUTPUT
#include <chrono>
#include <cstdio>
#include <optional>

#include "import/sound_importer.h"

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
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT\n", argv[0]);
        return 2;
    }
    CountingProgress progress;
    sonaro::SoundImporter importer;
    const auto start = std::chrono::steady_clock::now();
    const std::optional<sonaro::Failure> failure = importer.Import(argv[1], argv[2], progress);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%s %.2f s, %ld reports%s%s\n", failure ? "failed" : "done", seconds.count(),
                progress.reports, failure ? ": " : "", failure ? failure->Text().c_str() : "");
    return failure ? 1 : 0;
}
