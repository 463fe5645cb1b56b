#pragma once

#include <QObject>
#include <memory>
#include <thread>
#include <vector>

#include "convert/batch/batch_runner.h"

namespace sonaro {

// A run of the batch runner on a thread of its own, told to the window's thread as signals: the
// runner's worker threads report, and the signals are emitted on the thread this object lives
// in, in the order the reports were made. Destroying it cancels the run and waits for its end.
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
    // Every job has its result and the workers are gone.
    void ended();

  private:
    BatchRunner runner_;
    std::thread thread_;
};

}  // namespace sonaro
