#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonaro::test {

// Every field of a WAVE header the reader looks at, so that a test can build a valid file and
// then break exactly one thing about it.
struct WavSpec {
    std::string riff = "RIFF";
    std::uint32_t riffSize = 0;  // not checked by the reader
    std::string wave = "WAVE";
    std::string fmt = "fmt ";
    std::optional<std::uint32_t> fmtSize;  // default: 16 + the tail's length
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint32_t avgBytes = 176400;
    std::uint16_t blockAlign = 4;
    std::uint16_t bits = 16;
    std::vector<std::uint8_t> formatTail;  // bytes behind the 16 standard ones
    bool fact = false;
    std::uint32_t factSize = 4;
    std::uint32_t factValue = 0;
    std::vector<std::uint8_t> extraChunk;  // a whole chunk put before the data chunk
    std::string dataId = "data";
    std::optional<std::uint32_t> dataSize;  // default: the data's length
    std::vector<std::uint8_t> data;

    std::vector<std::uint8_t> Build() const;
};

// A consistent PCM file of the given shape holding these data bytes.
WavSpec PcmSpec(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                std::vector<std::uint8_t> data = std::vector<std::uint8_t>(64, 0x80));

// A consistent PCM file whose samples are these 16-bit values (channels interleaved).
WavSpec Pcm16Spec(std::uint32_t rate, std::uint16_t channels,
                  const std::vector<std::int16_t>& samples);

// A Microsoft ADPCM file: 50-byte format chunk with the seven standard coefficient pairs.
WavSpec AdpcmSpec(std::uint32_t rate, std::uint16_t channels, std::uint16_t blockAlign,
                  std::uint16_t samplesPerBlock, std::vector<std::uint8_t> data);

// A Voxware file of the one shape the reader accepts, with these 16 codec bytes.
WavSpec VoxwareSpec(std::vector<std::uint8_t> data,
                    std::vector<std::uint8_t> codecBytes = std::vector<std::uint8_t>(16, 0));

// A file as the conversion writes its result: A-law, 8000 Hz, mono, 8 bits, an 18-byte format
// chunk and a fact chunk before the data.
WavSpec ALawSpec(std::vector<std::uint8_t> codes);

// A PCM file of 16-bit sines (440 Hz, and 110 Hz higher in each further channel) at 9000 of
// full scale.
std::vector<std::uint8_t> ToneFile(std::uint32_t rate, std::uint16_t channels, double seconds);

void AppendLE(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size);

}  // namespace sonaro::test
