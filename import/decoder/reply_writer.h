#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "import/decoder_protocol.h"

namespace sonaro {

// Writes the decoder's records (import/decoder_protocol.h), each whole record passed to the
// output in one call.
class ReplyWriter {
  public:
    using Output = std::function<void(const std::uint8_t* bytes, std::size_t size)>;

    explicit ReplyWriter(Output output) : output_(std::move(output)) {}

    void Sound(const decoder::SourceFacts& source);
    // Samples in the plan's encoding, split into records of at most 64 KiB (a multiple of every
    // frame size), each carrying the share of the input read (0 to 1).
    void Samples(double progress, const void* samples, std::size_t bytes);
    // The reason, its bytes outside printable ASCII made '?', cut to the longest text allowed.
    void Failure(const std::string& reason);
    void Extension(const std::string& ending);
    void End();

  private:
    // Starts a record of that type and payload length in the buffer.
    void Begin(decoder::RecordType type, std::size_t payload);
    void Send();

    Output output_;
    std::vector<std::uint8_t> record_;
};

}  // namespace sonaro
