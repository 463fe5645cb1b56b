#pragma once

#include <cstdint>
#include <string>

#include "convert/formats/adpcm_geometry.h"
#include "convert/stages/stage.h"

namespace sonaro {

// Where the Microsoft ADPCM data of a source file lie and how they are cut into blocks.
struct AdpcmSource {
    std::string path;
    std::uint64_t dataOffset;
    std::uint32_t dataSize;  // as the header claims it; the file may hold fewer
    AdpcmGeometry geometry;
};

// The first stage for a Microsoft ADPCM source: decodes the data the file holds (at most the
// claimed size) into output as headerless 16-bit little-endian PCM, channels interleaved, and
// sets frames to the number of frames written. On failure it has shown one message and answers
// false; the partial output is left for the caller to remove.
bool AdpcmToPcm16(StageContext& context, BarShare bar, const AdpcmSource& source,
                  const std::string& output, std::uint32_t& frames);

}  // namespace sonaro
