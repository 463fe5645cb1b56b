#include "cli/convert_command.h"

#include <unistd.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "cli/info_command.h"
#include "cli/input_sound.h"
#include "cli/interrupt.h"
#include "cli/terminal_progress.h"
#include "convert/codecs/codec_setup.h"
#include "convert/files/file.h"
#include "convert/files/path_parts.h"
#include "convert/operations/format_record.h"
#include "convert/operations/operations.h"
#include "convert/resampler/worker_team.h"
#include "import/import_module_loader.h"

namespace sonaro {
namespace {

struct Job {
    std::string input;
    std::string output;
};

struct Shared {
    std::ostream& out;
    std::ostream& errors;
    std::mutex errorsLock;
    InputReaders readers;
    int volumeLevel;
    bool showProgress;
    bool printResult;
    bool nameResults;
};

// The information lines of the result, as the desktop program's view shows them; on standard
// error when the result itself went to standard output.
std::optional<Failure> PrintResult(const FormatRecord& record, const std::string& output,
                                   Shared& shared) {
    std::lock_guard lock(shared.errorsLock);
    std::ostream& to = output == kStandardStream ? shared.errors : shared.out;
    PrintInfo(to, record, shared.nameResults ? output : std::string());
    if (const int error = FlushError(to)) {
        return OutputFailure(error);
    }
    return std::nullopt;
}

// Open, convert and save, each in a private directory of the job's own; the progress line goes
// before any message is told.
std::optional<Failure> Convert(const Job& job, Shared& shared, TerminalMessages& messages) {
    TempDirectory directory;
    TerminalProgress progress(shared.errors, shared.errorsLock, shared.showProgress);
    const Outcome<SoundDescription> source =
        OpenInput(job.input, directory, shared.readers, progress, messages);
    if (!source) {
        return source.failure();
    }
    progress.SetMessage(FileNamePart(job.input));
    const Outcome<SoundDescription> result =
        ConvertSound(*source, {shared.volumeLevel, directory, shared.readers.codecs}, progress);
    if (!result) {
        return result.failure();
    }
    if (std::optional<Failure> failure = SaveSound(*result, job.output)) {
        return failure;
    }
    return shared.printResult ? PrintResult(RecordOf(*source, *result), job.output, shared)
                              : std::nullopt;
}

bool ConvertOne(const Job& job, Shared& shared) {
    TerminalMessages messages(shared.errors, shared.errorsLock, job.input);
    const std::optional<Failure> failure = Convert(job, shared, messages);
    if (failure) {
        messages.Show(*failure);
    }
    return !failure;
}

std::vector<Job> PlanJobs(const CommandLine& command) {
    std::vector<Job> jobs;
    for (const std::string& input : command.inputs) {
        jobs.push_back(
            {input, command.output.empty() ? OutputInDirectory(command, input) : command.output});
    }
    return jobs;
}

}  // namespace

int RunConvert(const CommandLine& command, std::ostream& out, std::ostream& errors) {
    auto codecs = MakeCodecManager(errors, kProgramName);
    const std::vector<Job> jobs = PlanJobs(command);
    const bool showProgress = !command.quiet && command.jobs == 1 && ::isatty(2) != 0;
    ImportModuleLoader importer;
    Shared shared{out,
                  errors,
                  {},
                  {*codecs, command.import ? &importer : nullptr},
                  command.volumeLevel,
                  showProgress,
                  command.printResult,
                  jobs.size() > 1};

    std::atomic<std::size_t> next{0};
    std::atomic<bool> anyFailed{false};
    auto worker = [&] {
        for (std::size_t i = next++; i < jobs.size() && !Interrupted(); i = next++) {
            if (!ConvertOne(jobs[i], shared)) {
                anyFailed = true;
            }
        }
    };
    const auto threads = std::min<std::size_t>(static_cast<std::size_t>(command.jobs), jobs.size());
    WorkerTeam::ShareCpusAmong(static_cast<unsigned>(threads));
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t) {
        pool.emplace_back(worker);
    }
    worker();
    for (std::thread& thread : pool) {
        thread.join();
    }
    return anyFailed || Interrupted() ? 1 : 0;
}

}  // namespace sonaro
