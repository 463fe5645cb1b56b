// The batch window's run: the plan of the results, the runner on its threads, each row's progress,
// the overall bar and the summary at the end.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

#include "convert/batch/result_names.h"
#include "ui/batch_file_list.h"
#include "ui/batch_run.h"
#include "ui/batch_time_left.h"
#include "ui/batch_window.h"

namespace sonaro {
namespace {

constexpr NameTaken kPolicies[] = {NameTaken::Replace, NameTaken::Skip, NameTaken::Number};
// The overall bar counts each file in this many steps.
constexpr int kStepsPerFile = 100;

}  // namespace

// The folder is made first; a result that would be written over one of the files refuses the run
// before any work.
void CBatchWindow::StartRun() {
    if (running() || files_->rowCount() == 0) {
        return;
    }
    const QString folder = QDir(folder_->text().trimmed()).absolutePath();
    if (!QDir().mkpath(folder)) {
        Warn(QStringLiteral("The folder %1 could not be made.").arg(folder));
        return;
    }
    SaveProfile();
    std::vector<std::string> inputs;
    for (const QString& path : files_->Paths()) {
        inputs.push_back(path.toStdString());
    }
    const ResultPlan plan =
        PlanResults(inputs, {folder.toStdString(), true, kPolicies[nameTaken_->currentIndex()]});
    if (!plan.outputOverInput.empty()) {
        Warn(QStringLiteral("The result of %1 would replace that file itself.\nChoose another "
                            "output folder, or another choice for a name that is taken.")
                 .arg(QString::fromStdString(plan.inputUnderOutput)));
        return;
    }
    std::vector<BatchJob> jobs;
    for (const PlannedResult& result : plan.results) {
        jobs.push_back({result.input, result.output});
    }
    files_->ResetStates();
    done_.assign(jobs.size(), 0.0);
    ended_ = 0;
    runFolder_ = folder;
    summary_->clear();
    run_ = std::make_unique<BatchRun>(
        std::move(jobs),
        BatchSettings{volume_->value(), 0, codecs_, import_->isChecked() ? importer_ : nullptr});
    connect(run_.get(), &BatchRun::progressed, this, &CBatchWindow::OnProgress);
    connect(run_.get(), &BatchRun::finished, this, &CBatchWindow::OnFinished);
    connect(run_.get(), &BatchRun::told, this, &CBatchWindow::ShowOverall);
    connect(run_.get(), &BatchRun::ended, this, &CBatchWindow::OnRunEnded);
    clock_.start();
    overall_->setVisible(true);
    ShowOverall();
    UpdateControls();
    button("cancelButton")->setFocus();
    run_->Start();
}

void CBatchWindow::CancelRun() {
    if (running()) {
        run_->Cancel();
        button("cancelButton")->setEnabled(false);
    }
}

// A file that is imported first counts its import as the first half of its work.
void CBatchWindow::OnProgress(int job, int piece, int position) {
    if (files_->state(job) == BatchFileList::State::Waiting) {
        table_->scrollTo(files_->index(job, 0));  // the list follows the files at work
    }
    files_->SetProgress(job, piece, position);
    const double pieces = files_->WillImport(job) ? 2.0 : 1.0;
    done_[static_cast<std::size_t>(job)] = (piece - 1 + position / 100.0) / pieces;
}

void CBatchWindow::OnFinished(int job, const BatchResult& result) {
    table_->scrollTo(files_->index(job, 0));
    files_->SetResult(job, result);
    done_[static_cast<std::size_t>(job)] = 1.0;
    ++ended_;
}

// Once for all that a tick of the run told: the bar repaints at once when it moves.
void CBatchWindow::ShowOverall() {
    const int total = static_cast<int>(done_.size());
    double share = 0.0;
    for (const double done : done_) {
        share += done;
    }
    overall_->setRange(0, std::max(1, total * kStepsPerFile));
    overall_->setValue(static_cast<int>(share * kStepsPerFile));
    const QString text = QStringLiteral("%1 of %2").arg(ended_).arg(total);
    overall_->setFormat(text);
    overall_->setAccessibleDescription(QStringLiteral("%1 files ended").arg(text));
    timeLeft_->setText(
        running() && total > 0
            ? TimeLeftText(static_cast<double>(clock_.elapsed()) / 1000.0, share / total)
            : QString());
}

QString CBatchWindow::Summary() const {
    using State = BatchFileList::State;
    QString text = QStringLiteral("%1 converted").arg(files_->Count(State::Converted));
    const std::pair<State, const char*> others[] = {{State::Refused, "refused"},
                                                    {State::Failed, "failed"},
                                                    {State::Skipped, "skipped"},
                                                    {State::Cancelled, "cancelled"}};
    for (const auto& [state, word] : others) {
        if (const int count = files_->Count(state)) {
            text += QStringLiteral(", %1 %2").arg(count).arg(QLatin1String(word));
        }
    }
    return text;
}

// The converted files leave the list; the others stay for a look, and for another run.
void CBatchWindow::OnRunEnded() {
    const QString summary = Summary();
    run_.release()->deleteLater();  // this is its signal; its threads have ended
    files_->RemoveConverted();
    summary_->setText(summary);
    ShowOverall();
    UpdateControls();
    if (!isActiveWindow() && hooks_.notify) {
        hooks_.notify(summary, runFolder_);
    }
    emit runEnded();
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

}  // namespace sonaro
