#include "convert/formats/wave_format.h"

#include <algorithm>

#include "convert/formats/little_endian.h"

namespace sonaro {

WaveFormat WaveFormat::FromBytes(const std::uint8_t* bytes, std::size_t size) {
    std::array<std::uint8_t, kStoredSize> all{};
    std::copy_n(bytes, std::min(size, kStoredSize), all.begin());
    WaveFormat format;
    format.formatTag = LoadLE16(&all[0]);
    format.channels = LoadLE16(&all[2]);
    format.samplesPerSec = LoadLE32(&all[4]);
    format.avgBytesPerSec = LoadLE32(&all[8]);
    format.blockAlign = LoadLE16(&all[12]);
    format.bitsPerSample = LoadLE16(&all[14]);
    format.extraSize = LoadLE16(&all[16]);
    std::copy_n(all.begin() + kHeaderSize, kExtraSize, format.extra.begin());
    return format;
}

}  // namespace sonaro
