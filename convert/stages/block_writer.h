#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/files/file.h"

namespace sonaro {

// Collects a stage's output in one large buffer and writes it to the file in few large writes.
// The stage makes its values in place, in the room Next gives, so nothing is copied on the way.
// Flush writes out what is held; a stage flushes before every progress report that pumps, so
// that the file always holds everything made up to the last report.
class BlockWriter {
  public:
    // Throws std::bad_alloc when the buffer cannot be had.
    BlockWriter(File& file, std::size_t capacity);

    // Room for the next size bytes (at most the capacity), valid until the next call; whatever
    // is held is written first when it would not fit.
    std::uint8_t* Next(std::size_t size);
    void Flush();

  private:
    File& file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t held_ = 0;
};

}  // namespace sonaro
