#pragma once

#include <array>
#include <cstdint>

namespace sonaro {

// Format tags of the WAVE files the program reads and writes.
enum WaveFormatTag : std::uint16_t {
    WAVE_FORMAT_PCM = 1,
    WAVE_FORMAT_ADPCM = 2,
    WAVE_FORMAT_ALAW = 6,
    WAVE_FORMAT_MULAW = 7,
    WAVE_FORMAT_OKI_ADPCM = 0x10,
    WAVE_FORMAT_IMA_ADPCM = 0x11,
    WAVE_FORMAT_VOXWARE = 0x74,
};

// A format header as a WAVE file stores it (the 18-byte extended format record) followed by up to
// 16 bytes of codec data.
struct WaveFormat {
    static constexpr std::size_t kHeaderSize = 18;
    static constexpr std::size_t kExtraSize = 16;
    static constexpr std::size_t kStoredSize = kHeaderSize + kExtraSize;

    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
    std::array<std::uint8_t, kExtraSize> extra{};

    // The format of a format chunk's bytes (little-endian; missing bytes read as zeros).
    static WaveFormat FromBytes(const std::uint8_t* bytes, std::size_t size);

    bool operator==(const WaveFormat&) const = default;
};

}  // namespace sonaro
