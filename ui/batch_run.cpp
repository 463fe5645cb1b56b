#include "ui/batch_run.h"

#include <QMetaObject>

namespace sonaro {
namespace {

// One job's progress, posted to the run's thread when its position changes.
class JobPort final : public ProgressPort {
  public:
    JobPort(BatchRun& run, int job) : run_(run), job_(job) {}

    void SetMessage(const std::string&) override {
        ++piece_;
        position_ = -1;
    }
    bool Report(int position) override {
        if (position != position_) {
            position_ = position;
            QMetaObject::invokeMethod(
                &run_,
                [run = &run_, job = job_, piece = piece_, position] {
                    emit run->progressed(job, piece, position);
                },
                Qt::QueuedConnection);
        }
        return false;  // the runner stops the work when the run is cancelled
    }

  private:
    BatchRun& run_;
    int job_;
    int piece_ = 0;
    int position_ = -1;
};

}  // namespace

BatchRun::BatchRun(std::vector<BatchJob> jobs, const BatchSettings& settings, QObject* parent)
    : QObject(parent), runner_(std::move(jobs), settings, *this) {}

BatchRun::~BatchRun() {
    runner_.Cancel();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void BatchRun::Start() {
    thread_ = std::thread([this] {
        runner_.Run();
        QMetaObject::invokeMethod(
            this, [this] { emit ended(); }, Qt::QueuedConnection);
    });
}

std::unique_ptr<ProgressPort> BatchRun::Progress(std::size_t job) {
    return std::make_unique<JobPort>(*this, static_cast<int>(job));
}

void BatchRun::Finished(std::size_t job, const BatchResult& result) {
    QMetaObject::invokeMethod(
        this, [this, job = static_cast<int>(job), result] { emit finished(job, result); },
        Qt::QueuedConnection);
}

}  // namespace sonaro
