#pragma once

#include <cstdint>

namespace sonaro {

// The bytes of a sound file as libsndfile reads them: an open descriptor in the decoder process,
// a buffer in the fuzz target. Every call answers -1 when it fails.
class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // The length in bytes.
    virtual std::int64_t Length() = 0;
    // Moves to offset from SEEK_SET, SEEK_CUR or SEEK_END; answers the new position.
    virtual std::int64_t Seek(std::int64_t offset, int whence) = 0;
    // Reads up to count bytes; answers how many were read, 0 at the end.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Tell() = 0;
};

}  // namespace sonaro
