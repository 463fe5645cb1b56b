#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "convert/batch/batch_runner.h"

namespace sonaro {

// A run of the batch runner on a thread of its own, told to the thread this object lives in as
// signals. The workers only note each file's position and end; what changed is told a few times a
// second, so that a window showing it takes next to no time from the conversions. A file's end is
// told once, after its last position. Destroying it cancels the run and waits for its end.
class BatchRun final : public QObject, public BatchListener {
    Q_OBJECT

  public:
    BatchRun(std::vector<BatchJob> jobs, const BatchSettings& settings, QObject* parent = nullptr);
    ~BatchRun() override;
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    void Start();
    // Every conversion stops at its next report; no other file is begun.
    void Cancel() { runner_.Cancel(); }

    // The runner's side, called on its worker threads.
    std::unique_ptr<ProgressPort> Progress(std::size_t job) override;
    void Finished(std::size_t job, const BatchResult& result) override;

  signals:
    // A job's work has moved: piece counts the pieces of work begun (an import, then the
    // conversion), position is that piece's, 0 to 100.
    void progressed(int job, int piece, int position);
    void finished(int job, const sonaro::BatchResult& result);
    // What changed since the last time has been told.
    void told();
    // Every job has its result and the workers are gone.
    void ended();

  private:
    // A job's piece and position in one number, as the workers leave it.
    static constexpr int kPieceStep = 1000;
    void TellProgress();

    BatchRunner runner_;
    std::unique_ptr<std::atomic<int>[]> positions_;  // written by the workers
    std::mutex endedLock_;
    std::vector<std::pair<std::size_t, BatchResult>> ended_;  // not told yet; under endedLock_
    std::vector<int> told_;  // the last position told; -1 once the end is told
    QTimer poll_;
    std::thread thread_;
};

}  // namespace sonaro
