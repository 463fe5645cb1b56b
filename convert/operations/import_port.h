#pragma once

#include <optional>
#include <string>
#include <vector>

#include "convert/files/failure.h"
#include "convert/stages/progress_port.h"

namespace sonaro {

// Turns a sound file the reader refuses (other containers, codecs, sample sizes, rates or channel
// counts) into a plain PCM WAV file that it accepts. A front end supplies it; tests use a fake.
class ImportPort {
  public:
    virtual ~ImportPort() = default;

    // Writes the sound of source to target as PCM WAV, reporting its progress over 0..100 and
    // stopping when asked to. Answers nothing when it is done, else why not: "Conversion
    // cancelled." after a stop, or the importer's own reason. When it fails, target and every
    // file the import made are removed.
    virtual std::optional<Failure> Import(const std::string& source, const std::string& target,
                                          ProgressPort& progress) = 0;

    // The name endings of the files it reads ("wav", "flac", ...), for an open dialog's filter.
    virtual std::vector<std::string> FileExtensions() const = 0;
};

}  // namespace sonaro
