#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/codecs/codec_manager.h"
#include "convert/formats/wave_format.h"

namespace sonaro {

// A whole sound as 16-bit linear samples, channels interleaved.
struct DecodedSound {
    std::uint32_t samplesPerSec = 0;
    std::uint16_t channels = 0;
    std::vector<std::int16_t> samples;

    std::size_t frames() const { return channels == 0 ? 0 : samples.size() / channels; }
};

// Decodes a whole WAVE file in memory for playback: 8- and 16-bit PCM, A-law, Microsoft ADPCM,
// and Voxware through the codec manager. Chunks are walked in order, so files from any writer
// that follows the RIFF rules are read, not only those the conversion accepts.
class WaveDecoder {
  public:
    explicit WaveDecoder(CodecManager& codecs) : codecs_(codecs) {}

    // The sound of the file, or nothing when it cannot be read, is longer than maxBytes, or holds
    // a format or a shape that cannot be decoded.
    std::optional<DecodedSound> DecodeFile(const std::string& path, std::uint64_t maxBytes);
    std::optional<DecodedSound> Decode(const std::vector<std::uint8_t>& file);

  private:
    std::optional<DecodedSound> DecodeData(const WaveFormat& format, const std::uint8_t* data,
                                           std::size_t size);
    std::optional<DecodedSound> DecodeVoxware(const WaveFormat& format, const std::uint8_t* data,
                                              std::size_t size);

    CodecManager& codecs_;
};

}  // namespace sonaro
