#include "cli/convert_command.h"

#include <unistd.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <vector>

#include "cli/info_command.h"
#include "cli/input_sound.h"
#include "cli/interrupt.h"
#include "cli/terminal_progress.h"
#include "convert/batch/batch_runner.h"
#include "convert/codecs/codec_setup.h"
#include "convert/files/file.h"
#include "convert/operations/format_record.h"
#include "import/sandboxed_importer.h"

namespace sonaro {
namespace {

using Status = BatchResult::Status;

// The run as the terminal shows it: a progress line while a file converts (one file at a time on
// a terminal), then one line for each file that did not convert, and the result's information
// lines when asked for.
class TerminalBatch final : public BatchListener {
  public:
    TerminalBatch(const CommandLine& command, std::ostream& out, std::ostream& errors)
        : command_(command),
          out_(out),
          errors_(errors),
          showProgress_(!command.quiet && command.jobs == 1 && ::isatty(2) != 0),
          readFrom_(command.inputs.size()) {}

    Outcome<std::string> PathToRead(std::size_t job, const std::string& input,
                                    TempDirectory& directory) override {
        Outcome<std::string> path = ReadablePath(input, directory);
        if (path) {
            readFrom_[job] = *path;
        }
        return path;
    }
    std::unique_ptr<ProgressPort> Progress(std::size_t /*job*/) override {
        return std::make_unique<TerminalProgress>(errors_, errorsLock_, showProgress_);
    }
    void Finished(std::size_t job, const BatchResult& result) override {
        TerminalMessages messages(errors_, errorsLock_, command_.inputs[job]);
        messages.ReadFrom(readFrom_[job].empty() ? command_.inputs[job] : readFrom_[job]);
        std::optional<Failure> failure = result.failure;
        if (result.status == Status::Converted && command_.printResult) {
            failure = PrintResult(RecordOf(*result.source, *result.result), Output(job));
        }
        if (failure) {
            messages.Show(*failure);
            anyFailed_ = true;
        }
    }
    bool StopRequested() override { return Interrupted(); }

    bool anyFailed() const { return anyFailed_; }
    std::string Output(std::size_t job) const {
        return command_.output.empty() ? command_.results[job] : command_.output;
    }

  private:
    // The information lines of the result, as the desktop program's view shows them; on standard
    // error when the result itself went to standard output.
    std::optional<Failure> PrintResult(const FormatRecord& record, const std::string& output) {
        std::lock_guard lock(errorsLock_);
        std::ostream& to = output == kStandardStream ? errors_ : out_;
        PrintInfo(to, record, command_.inputs.size() > 1 ? output : std::string());
        if (const int error = FlushError(to)) {
            return OutputFailure(error);
        }
        return std::nullopt;
    }

    const CommandLine& command_;
    std::ostream& out_;
    std::ostream& errors_;
    std::mutex errorsLock_;
    bool showProgress_;
    std::vector<std::string> readFrom_;  // each job's, written and read by its own thread
    std::atomic<bool> anyFailed_{false};
};

}  // namespace

int RunConvert(const CommandLine& command, std::ostream& out, std::ostream& errors) {
    auto codecs = MakeCodecManager(errors, kProgramName);
    SandboxedImporter importer;
    TerminalBatch terminal(command, out, errors);
    std::vector<BatchJob> jobs;
    for (std::size_t i = 0; i < command.inputs.size(); ++i) {
        jobs.push_back({command.inputs[i], terminal.Output(i)});
    }
    BatchRunner runner(std::move(jobs),
                       {command.volumeLevel, static_cast<unsigned>(command.jobs), *codecs,
                        command.import ? &importer : nullptr},
                       terminal);
    runner.Run();
    return terminal.anyFailed() || Interrupted() ? 1 : 0;
}

}  // namespace sonaro
