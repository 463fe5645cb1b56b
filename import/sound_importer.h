#pragma once

#include <string>
#include <vector>

#include "convert/operations/import_port.h"

namespace sonaro {

// The import with libsndfile and soxr. More than two channels are mixed to one by their plain
// average; a rate the reader refuses becomes the next accepted one; 8- and 16-bit integer sources
// that need neither are copied sample for sample, everything else is decoded in floating point
// and scaled so that its peak is 32767, as 16-bit PCM.
class SoundImporter final : public ImportPort {
  public:
    std::optional<Failure> Import(const std::string& source, const std::string& target,
                                  ProgressPort& progress) override;
    std::vector<std::string> FileExtensions() const override;
};

}  // namespace sonaro
