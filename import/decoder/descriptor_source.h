#pragma once

#include "import/decoder/byte_source.h"

namespace sonaro {

// The bytes of an open file descriptor (the decoder's standard input), read with the plain
// system calls. The descriptor stays open.
class DescriptorSource final : public ByteSource {
  public:
    explicit DescriptorSource(int fd) : fd_(fd) {}

    std::int64_t Length() override;
    std::int64_t Seek(std::int64_t offset, int whence) override;
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Tell() override;

  private:
    int fd_;
};

}  // namespace sonaro
