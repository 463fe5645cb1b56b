#pragma once

#include <string>

#include "convert/files/file.h"

namespace sonaro {

// A file written under a temporary name beside its destination and renamed over the destination
// only when complete, so that a failed write never leaves a partial file and never damages a file
// that was there before. Without Commit, the temporary file is removed.
class ReplacementFile {
  public:
    // Creates the temporary file; throws FileException when it cannot be created, or when the
    // destination exists and may not be written.
    explicit ReplacementFile(const std::string& destination);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    File& file() { return file_; }

    // Flushes the data to the disk and puts the file in place of the destination.
    void Commit();

  private:
    std::string destination_;
    std::string temporaryPath_;
    File file_;
    bool committed_ = false;
};

}  // namespace sonaro
