#pragma once

#include <cstdint>
#include <string>

#include "convert/formats/wave_format.h"

namespace sonaro {

// What is known about the document's current sound: the input file after a successful read, the
// A-law result after a successful conversion.
struct FormatRecord {
    std::uint64_t dataOffset = 0;  // file offset of the first audio byte
    WaveFormat waveFormat;         // the input's format header as read
    std::string formatName;        // "PCM", "ADPCM", "Voxware", "A-Law"
    std::uint16_t formatTag = 0;
    std::uint32_t sizeKB = 0;  // file length in kB, rounded up
    std::uint8_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint8_t bitsPerSample = 0;
    std::uint16_t samplesPerBlock = 0;  // MS ADPCM only
    std::uint32_t dataSize = 0;         // input data bytes; A-law bytes after conversion
    bool playable = false;              // the file that would be played is under 2 MiB
    float playbackSeconds = 0.0F;
};

// Files of this many bytes or more are not played.
constexpr std::uint64_t kPlayableLimit = 0x200000;

// The playback time of one sample at 8000 Hz.
constexpr float kSecondsPerSample8000 = 0.000125F;

// Sets what follows from the length of the file the record describes: its size in kB, rounded
// up, and whether it may be played.
inline void SetFileLength(FormatRecord& record, std::uint64_t length) {
    record.sizeKB = static_cast<std::uint32_t>((length + 1023) / 1024);
    record.playable = length < kPlayableLimit;
}

}  // namespace sonaro
