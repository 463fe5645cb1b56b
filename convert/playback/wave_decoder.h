#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/codecs/codec_manager.h"

namespace sonaro {

// A whole sound as 16-bit linear samples, channels interleaved.
struct DecodedSound {
    std::uint32_t samplesPerSec = 0;
    std::uint16_t channels = 0;
    std::vector<std::int16_t> samples;

    std::size_t frames() const { return channels == 0 ? 0 : samples.size() / channels; }
};

// Decodes a whole WAVE file in memory: whatever a WaveStream reads, all at once.
class WaveDecoder {
  public:
    explicit WaveDecoder(CodecManager& codecs) : codecs_(codecs) {}

    // The sound of the file, or nothing when it cannot be read, is longer than maxBytes, or holds
    // a format or a shape that cannot be decoded.
    std::optional<DecodedSound> DecodeFile(const std::string& path, std::uint64_t maxBytes);
    std::optional<DecodedSound> Decode(const std::vector<std::uint8_t>& file);

  private:
    CodecManager& codecs_;
};

}  // namespace sonaro
