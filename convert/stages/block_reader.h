#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/files/file.h"

namespace sonaro {

// Reads the next total bytes of a file in few large reads and hands them out piece by piece, in
// place, without copying them again. Bytes the file does not have read as the fill byte (the
// format's silence), never as what an earlier read left.
class BlockReader {
  public:
    // Throws std::bad_alloc when the buffer cannot be had; the buffer is no larger than total.
    BlockReader(File& file, std::uint64_t total, std::size_t capacity, std::uint8_t fill);

    // The next size bytes (at most the capacity), valid until the next call.
    const std::uint8_t* Next(std::size_t size);

    // Forgets what is held and hands out the next total bytes of the file, from wherever the
    // file now stands.
    void Restart(std::uint64_t total);

  private:
    File& file_;
    std::uint64_t unread_;  // bytes of the total not yet read from the file
    std::uint8_t fill_;
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0;  // the first byte not yet handed out
    std::size_t end_ = 0;    // one past the last byte read
};

}  // namespace sonaro
