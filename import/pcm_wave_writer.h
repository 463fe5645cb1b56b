#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/files/file.h"

namespace sonaro {

// Writes a plain PCM WAV file: "RIFF", a 16-byte format chunk, the data chunk, 44 bytes of header
// in all, then the samples. The header is written last, when the data size is known.
class PcmWaveWriter {
  public:
    // The most data bytes a file can hold whose RIFF size (36 + data + pad) fits in 32 bits.
    static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFULL - 36 - 1;

    // Creates the file (replacing one of that name); throws FileException when it cannot.
    PcmWaveWriter(const std::string& path, int channels, std::uint32_t rate, int bits);

    // Appends 16-bit samples: as they are, or for an 8-bit file their upper byte offset by 128.
    // Throws ImportFailure when the file would grow past kMaxDataBytes.
    void Write(const std::int16_t* samples, std::size_t count);
    // Pads the data to an even length, writes the header and closes the file.
    void Finish();

    std::uint64_t dataBytes() const { return dataBytes_; }

  private:
    std::vector<std::uint8_t> Header() const;

    File file_;
    int channels_;
    std::uint32_t rate_;
    int bits_;
    std::uint64_t dataBytes_ = 0;
    std::vector<std::uint8_t> bytes_;
};

// The reason an import gives for a sound too long for a WAV file.
extern const char* const kTooLongForWav;

}  // namespace sonaro
