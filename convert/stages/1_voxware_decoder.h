#pragma once

#include <cstdint>
#include <string>

#include "convert/codecs/codec_manager.h"
#include "convert/formats/wave_format.h"
#include "convert/stages/stage.h"

namespace sonaro {

// Where the Voxware data of a source file lie, and its format as the file's format chunk holds it.
struct VoxwareSource {
    std::string path;
    std::uint64_t dataOffset;
    std::uint32_t dataSize;  // as the header claims it; the file may hold fewer
    WaveFormat format;
};

// The first stage for a Voxware source: hands the data the file holds block by block (27 bytes
// each; a rest shorter than a block is ignored) to the codec manager and writes the 16-bit PCM it
// gives back to output, headerless. On success frames is the number of samples written. On
// failure the user has been told why (one message) and the stream is closed; output is left for
// the caller.
bool VoxwareToPcm16(StageContext& context, BarShare bar, CodecManager& codecs,
                    const VoxwareSource& source, const std::string& output, std::uint32_t& frames);

}  // namespace sonaro
