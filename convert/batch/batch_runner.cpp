#include "convert/batch/batch_runner.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <thread>

#include "convert/files/path_parts.h"
#include "convert/operations/operations.h"
#include "convert/resampler/cpu_budget.h"
#include "convert/resampler/worker_team.h"
#include "convert/stages/stopping_progress.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

using Status = BatchResult::Status;

// A job that ended with a failure: a cancel, whatever step it stopped.
BatchResult Ended(Status status, const Failure& failure) {
    return {failure.Cancelled() ? Status::Cancelled : status, failure, {}, {}};
}

}  // namespace

BatchRunner::BatchRunner(std::vector<BatchJob> jobs, const BatchSettings& settings,
                         BatchListener& listener)
    : jobs_(std::move(jobs)), settings_(settings), listener_(listener) {}

unsigned BatchRunner::WorkersFor(std::size_t files, unsigned conversionsAtOnce) {
    const std::size_t wanted = conversionsAtOnce != 0 ? conversionsAtOnce : AvailableCpus();
    return static_cast<unsigned>(std::max<std::size_t>(1, std::min(wanted, files)));
}

// The conversions at once share the CPUs among their resamplers while the run lasts.
void BatchRunner::Run() {
    const unsigned workers = WorkersFor(jobs_.size(), settings_.conversionsAtOnce);
    WorkerTeam::ShareCpusAmong(workers);
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < workers; ++t) {
        try {
            pool.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;  // the threads already started do the work
        }
    }
    Work();
    for (std::thread& thread : pool) {
        thread.join();
    }
    WorkerTeam::ShareCpusAmong(1);
}

void BatchRunner::Work() {
    for (std::size_t i = next_++; i < jobs_.size(); i = next_++) {
        listener_.Finished(i, RunJob(i));
    }
}

// The job's private directory and progress interface are gone by the time its result is told.
BatchResult BatchRunner::RunJob(std::size_t index) {
    if (jobs_[index].output.empty()) {
        return {Status::Skipped, {}, {}, {}};
    }
    if (Stopping()) {
        return {Status::Cancelled, {}, {}, {}};
    }
    const std::string& input = jobs_[index].input;
    try {
        TempDirectory directory;
        const std::unique_ptr<ProgressPort> shown = listener_.Progress(index);
        // The job's progress as its front end shows it; it stops also when the whole run stops.
        StoppingProgress progress(*shown, [this] { return Stopping(); });
        return Convert(index, directory, progress);
    } catch (const std::bad_alloc&) {
        return Ended(Status::Failed, Failure::Of(IDS_MEMORY_ALLOCATION, input));
    } catch (const FileException& error) {
        return Ended(Status::Failed, Failure::FromFile(error));
    } catch (const std::exception& fault) {
        return Ended(Status::Failed, Failure::Internal(fault, input));
    }
}

BatchResult BatchRunner::Convert(std::size_t index, TempDirectory& directory,
                                 ProgressPort& progress) {
    const BatchJob& job = jobs_[index];
    const Outcome<std::string> path = listener_.PathToRead(index, job.input, directory);
    if (!path) {
        return Ended(Status::Refused, path.failure());
    }
    Outcome<SoundDescription> source =
        OpenOrImportSound(*path, directory, settings_.importer, settings_.codecs, progress);
    if (!source) {
        return Ended(Status::Refused, source.failure());
    }
    progress.SetMessage(FileNamePart(job.input));
    Outcome<SoundDescription> result =
        ConvertSound(*source, {settings_.volumeLevel, directory, settings_.codecs}, progress);
    if (!result) {
        return Ended(Status::Failed, result.failure());
    }
    if (std::optional<Failure> failure = SaveSound(*result, job.output)) {
        return Ended(Status::Failed, *failure);
    }
    return {Status::Converted, {}, std::move(source).value(), std::move(result).value()};
}

}  // namespace sonaro
