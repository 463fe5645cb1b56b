#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "convert/files/outcome.h"
#include "convert/files/temp_directory.h"
#include "convert/operations/sound_description.h"
#include "convert/stages/progress_port.h"

namespace sonaro {

// How one file of a run ended.
struct BatchResult {
    enum class Status {
        Converted,  // the result is saved
        Refused,    // it could not be opened or imported
        Failed,     // its conversion or save failed
        Skipped,    // its result's name was taken
        Cancelled,  // the run was cancelled before it ended (failure empty: before it began)
    };
    Status status = Status::Cancelled;
    std::optional<Failure> failure;
    std::optional<SoundDescription> source;  // what was converted (an imported copy's description)
    std::optional<SoundDescription> result;  // the saved result's description (its path is gone)
};

// What a front end hears of a run. Every call but the last comes from the worker thread of the
// file it concerns, and calls for different files may come at once.
class BatchListener {
  public:
    virtual ~BatchListener() = default;

    // The file the input of a job is read from: itself, unless the front end first copies it into
    // the job's private directory (the standard input).
    virtual Outcome<std::string> PathToRead(std::size_t /*job*/, const std::string& input,
                                            TempDirectory& /*directory*/) {
        return input;
    }
    // The progress interface of a job, kept until just before Finished.
    virtual std::unique_ptr<ProgressPort> Progress(std::size_t job) = 0;
    // A job has ended, its private directory removed.
    virtual void Finished(std::size_t job, const BatchResult& result) = 0;
    // Polled at every report and before each job: the whole run should stop (a signal).
    virtual bool StopRequested() { return false; }
};

}  // namespace sonaro
