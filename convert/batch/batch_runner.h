#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "convert/batch/batch_listener.h"
#include "convert/codecs/codec_manager.h"
#include "convert/operations/import_port.h"

namespace sonaro {

// One file of a run: its input, and where its result goes (empty: it is skipped).
struct BatchJob {
    std::string input;
    std::string output;
};

// What every file of a run is converted with.
struct BatchSettings {
    int volumeLevel = 10;
    unsigned conversionsAtOnce = 0;  // 0: as many as the CPUs the process may use
    CodecManager& codecs;
    ImportPort* importer = nullptr;  // null: a file the reader refuses stays refused
};

// Converts many files, each opened (or imported), converted and saved through the engine's
// operations in a private directory of its own, several at once on worker threads that take the
// files in their order. A file that fails never stops the others; each ends with one result told
// to the listener. Cancel stops every conversion at its next report and starts no other: results
// saved stay, nothing half-made is left.
class BatchRunner {
  public:
    BatchRunner(std::vector<BatchJob> jobs, const BatchSettings& settings, BatchListener& listener);
    BatchRunner(const BatchRunner&) = delete;
    BatchRunner& operator=(const BatchRunner&) = delete;

    // Runs every job, the calling thread among the workers; returns when all have ended.
    void Run();
    // May be called from any thread, also before Run.
    void Cancel() { cancelled_ = true; }
    bool Stopping() const { return cancelled_ || listener_.StopRequested(); }

    // The worker threads a run of that many files uses.
    static unsigned WorkersFor(std::size_t files, unsigned conversionsAtOnce);

  private:
    void Work();
    BatchResult RunJob(std::size_t index);
    BatchResult Convert(std::size_t index, TempDirectory& directory, ProgressPort& progress);

    std::vector<BatchJob> jobs_;
    BatchSettings settings_;
    BatchListener& listener_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> cancelled_{false};
};

}  // namespace sonaro
