#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/files/file.h"

namespace sonaro {

// Float samples kept in a file between the pass that makes them and the pass that scales them by
// their peak, so that memory does not grow with the length of the sound. The file is removed when
// the object goes.
class ScratchSignal {
  public:
    // Creates the file; throws FileException when it cannot.
    explicit ScratchSignal(const std::string& path);
    ~ScratchSignal();
    ScratchSignal(const ScratchSignal&) = delete;
    ScratchSignal& operator=(const ScratchSignal&) = delete;

    // Appends samples, a value that is not finite (from a damaged float file) as 0.
    void Append(float* samples, std::size_t count);
    // The largest magnitude appended.
    float peak() const { return peak_; }
    std::uint64_t count() const { return count_; }

    // Ends the writing; reading starts at the first sample.
    void Rewind();
    // Reads up to count samples; answers how many were read, 0 at the end.
    std::size_t Read(float* samples, std::size_t count);

  private:
    std::string path_;
    File file_;
    float peak_ = 0.0F;
    std::uint64_t count_ = 0;
};

}  // namespace sonaro
