#pragma once

#include <cstdint>
#include <string>

#include "convert/formats/wave_format.h"

namespace sonaro {

// What is known of a sound file: its format header, where its sound data lie, and the file's
// length. Opening a source the reader accepts gives one; a conversion gives one of its result.
// Neither ever changes: a conversion reads its source's description and makes a new one.
struct SoundDescription {
    std::string path;
    WaveFormat format;                  // the format header as the file holds it
    std::uint16_t samplesPerBlock = 0;  // Microsoft ADPCM only
    std::uint64_t dataOffset = 0;       // of the first byte of sound data
    std::uint32_t dataSize = 0;         // the data's bytes as the header claims them
    std::uint64_t fileLength = 0;
};

// The description of a converted result at path holding count A-law codes behind its header.
SoundDescription ALawResult(const std::string& path, std::uint32_t count);

}  // namespace sonaro
