#pragma once

#include <cstdint>
#include <string>

#include "convert/formats/wave_format.h"
#include "convert/operations/sound_description.h"

namespace sonaro {

// What the document shows and plays by of its current sound: the source after a successful read,
// the A-law result after a successful conversion. It is made from the descriptions (RecordOf)
// and never written otherwise.
struct FormatRecord {
    std::uint64_t dataOffset = 0;  // file offset of the source's first audio byte
    WaveFormat waveFormat;         // the source's format header as read
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

// The record of a source, or of the result converted from it: the fields that describe only the
// source (its data offset, format header, block align, samples per block) stay the source's.
FormatRecord RecordOf(const SoundDescription& source);
FormatRecord RecordOf(const SoundDescription& source, const SoundDescription& result);

// The playback time of a sound as the record shows it.
float PlaybackSeconds(const SoundDescription& sound);

}  // namespace sonaro
