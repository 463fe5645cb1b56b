#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/codecs/codec_manager.h"
#include "convert/operations/sound_description.h"

namespace sonaro {

// A whole sound as 16-bit linear samples, channels interleaved.
struct DecodedSound {
    std::uint32_t samplesPerSec = 0;
    std::uint16_t channels = 0;
    std::vector<std::int16_t> samples;

    std::size_t frames() const { return channels == 0 ? 0 : samples.size() / channels; }
};

// Decodes a whole sound in memory: whatever a WaveStream reads, all at once.
class WaveDecoder {
  public:
    explicit WaveDecoder(CodecManager& codecs) : codecs_(codecs) {}

    // The sound the description tells of, or nothing when its file cannot be read, is longer than
    // maxBytes, or holds a format or a shape that cannot be decoded.
    std::optional<DecodedSound> Decode(const SoundDescription& sound, std::uint64_t maxBytes);

  private:
    CodecManager& codecs_;
};

}  // namespace sonaro
