#include "ui/batch_run.h"

#include <QMetaObject>

namespace sonaro {
namespace {

// How often what changed is told.
constexpr int kPollMs = 250;

// One job's progress: the piece of work (counted at each new message) and its position.
class JobPort final : public ProgressPort {
  public:
    JobPort(std::atomic<int>& shared, int step) : shared_(shared), step_(step) {}

    void SetMessage(const std::string&) override { ++piece_; }
    bool Report(int position) override {
        shared_.store(piece_ * step_ + position, std::memory_order_relaxed);
        return false;  // the runner stops the work when the run is cancelled
    }

  private:
    std::atomic<int>& shared_;
    int step_;
    int piece_ = 0;
};

}  // namespace

BatchRun::BatchRun(std::vector<BatchJob> jobs, const BatchSettings& settings, QObject* parent)
    : QObject(parent),
      runner_(jobs, settings, *this),
      positions_(std::make_unique<std::atomic<int>[]>(jobs.size())),
      told_(jobs.size(), 0) {
    for (std::size_t job = 0; job < jobs.size(); ++job) {
        positions_[job] = 0;
    }
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &BatchRun::TellProgress);
}

BatchRun::~BatchRun() {
    runner_.Cancel();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void BatchRun::Start() {
    poll_.start();
    thread_ = std::thread([this] {
        runner_.Run();
        QMetaObject::invokeMethod(
            this,
            [this] {
                poll_.stop();
                TellProgress();
                emit ended();
            },
            Qt::QueuedConnection);
    });
}

// The ends first, so that no position of a file is told after its end.
void BatchRun::TellProgress() {
    std::vector<std::pair<std::size_t, BatchResult>> ended;
    {
        std::lock_guard lock(endedLock_);
        ended.swap(ended_);
    }
    for (const auto& [job, result] : ended) {
        told_[job] = -1;
        emit finished(static_cast<int>(job), result);
    }
    for (std::size_t job = 0; job < told_.size(); ++job) {
        const int now = positions_[job].load(std::memory_order_relaxed);
        if (told_[job] >= 0 && now != told_[job]) {
            told_[job] = now;
            emit progressed(static_cast<int>(job), now / kPieceStep, now % kPieceStep);
        }
    }
    emit told();
}

std::unique_ptr<ProgressPort> BatchRun::Progress(std::size_t job) {
    return std::make_unique<JobPort>(positions_[job], kPieceStep);
}

void BatchRun::Finished(std::size_t job, const BatchResult& result) {
    std::lock_guard lock(endedLock_);
    ended_.emplace_back(job, result);
}

}  // namespace sonaro
