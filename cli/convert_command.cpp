#include "cli/convert_command.h"

#include <unistd.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "cli/info_command.h"
#include "cli/interrupt.h"
#include "cli/open_input.h"
#include "cli/terminal_user.h"
#include "convert/codecs/codec_setup.h"
#include "convert/files/file.h"
#include "convert/resampler/worker_team.h"
#include "document/path_parts.h"
#include "document/sonaro_doc.h"
#include "import/sandboxed_importer.h"

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
    CodecManager& codecs;
    int volumeLevel;
    bool showProgress;
    bool printResult;
    bool nameResults;
    ImportPort* importer;  // null: inputs are opened as they are
};

// The information lines of a converted document, as the desktop program's view shows them; on
// standard error when the result itself went to standard output. Answers 0, or the error number
// of a failed write.
int PrintResult(const CSonaroDoc& doc, const std::string& output, Shared& shared) {
    std::lock_guard lock(shared.errorsLock);
    std::ostream& to = output == kStandardStream ? shared.errors : shared.out;
    PrintInfo(to, doc.record(), shared.nameResults ? output : std::string());
    return FlushError(to);
}

// One input, start to end, in a document of its own (with its own temporary directory).
bool ConvertOne(const Job& job, Shared& shared) {
    TerminalUser user(shared.errors, shared.errorsLock);
    user.SetSavePath(job.output);
    user.SetVolumeLevel(shared.volumeLevel);
    user.SetShowProgress(shared.showProgress);
    SilentSoundOutput sound;
    CSonaroDoc doc(user, sound, shared.codecs, shared.importer);
    if (!OpenInput(doc, user, job.input, shared.importer != nullptr)) {
        return false;
    }
    doc.OnSettings();
    doc.OnConvert();
    if (!doc.converted()) {
        return false;
    }
    doc.OnFileSaveAs();
    if (!doc.resultSaved()) {
        return false;
    }
    if (const int error = shared.printResult ? PrintResult(doc, job.output, shared) : 0) {
        ShowOutputError(user, error);
        return false;
    }
    return true;
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
    SandboxedImporter importer;
    Shared shared{out,
                  errors,
                  {},
                  *codecs,
                  command.volumeLevel,
                  showProgress,
                  command.printResult,
                  jobs.size() > 1,
                  command.import ? &importer : nullptr};

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
