// Imports one file and prints how long it took, how many times events were pumped and the outcome.
// Usage: sonaro-bench-import INPUT OUTPUT
#include <chrono>
#include <cstdio>

#include "import/sound_importer.h"

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
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT\n", argv[0]);
        return 2;
    }
    CountingProgress progress;
    sonaro::SoundImporter importer;
    const auto start = std::chrono::steady_clock::now();
    const sonaro::ImportOutcome outcome = importer.Import(argv[1], argv[2], progress);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const char* status = outcome.status == sonaro::ImportOutcome::Status::Done ? "done" : "failed";
    std::printf("%s %.2f s, %ld pumps%s%s\n", status, seconds.count(), progress.pumps,
                outcome.reason.empty() ? "" : ": ", outcome.reason.c_str());
    return outcome.status == sonaro::ImportOutcome::Status::Done ? 0 : 1;
}
