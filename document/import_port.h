#pragma once

#include <string>
#include <vector>

#include "convert/stages/progress_port.h"

namespace sonaro {

// How an import ended. reason says why it failed, for the caller to show after the file's path.
struct ImportOutcome {
    enum class Status { Done, Cancelled, Failed };
    Status status = Status::Done;
    std::string reason;
};

// Turns a sound file the reader refuses (other containers, codecs, sample sizes, rates or channel
// counts) into a plain PCM WAV file that it accepts. A front end supplies it; tests use a fake.
class ImportPort {
  public:
    virtual ~ImportPort() = default;

    // Writes the sound of source to target as PCM WAV. The caller has opened the progress window
    // with its bar over 0..100; the import moves the bar and stops when the user cancels. When it
    // is cancelled or fails, target and every file the import made are removed.
    virtual ImportOutcome Import(const std::string& source, const std::string& target,
                                 ProgressPort& progress) = 0;

    // The name endings of the files it reads ("wav", "flac", ...), for an open dialog's filter.
    virtual std::vector<std::string> FileExtensions() const = 0;
};

}  // namespace sonaro
