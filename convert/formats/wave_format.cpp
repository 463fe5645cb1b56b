#include "convert/formats/wave_format.h"

#include <algorithm>

#include "convert/formats/little_endian.h"

namespace sonaro {

std::array<std::uint8_t, WaveFormat::kStoredSize> WaveFormat::ToBytes() const {
    std::array<std::uint8_t, kStoredSize> bytes{};
    StoreLE16(&bytes[0], formatTag);
    StoreLE16(&bytes[2], channels);
    StoreLE32(&bytes[4], samplesPerSec);
    StoreLE32(&bytes[8], avgBytesPerSec);
    StoreLE16(&bytes[12], blockAlign);
    StoreLE16(&bytes[14], bitsPerSample);
    StoreLE16(&bytes[16], extraSize);
    std::copy(extra.begin(), extra.end(), bytes.begin() + kHeaderSize);
    return bytes;
}

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
