#pragma once

#include <cstdint>

#include "convert/wave_format.h"

namespace sonaro {

// One conversion call's buffers, as the codec manager and its drivers see them.
struct CodecStreamHeader {
    std::uint32_t status = 0;
    const std::uint8_t* source = nullptr;
    std::uint32_t sourceLength = 0;
    std::uint32_t sourceLengthUsed = 0;
    std::uint8_t* destination = nullptr;
    std::uint32_t destinationLength = 0;
    std::uint32_t destinationLengthUsed = 0;
};

using CodecStream = std::uintptr_t;

// Decodes compressed WAVE data through codec drivers that lie outside the program. Every
// operation answers 0 on success and a nonzero code on failure.
class CodecManager {
  public:
    static constexpr int kNotPossible = 512;

    virtual ~CodecManager() = default;

    // Fills in a destination format (only its format tag is fixed by the caller) that some driver
    // can produce from the source format.
    virtual int FormatSuggest(const WaveFormat& source, WaveFormat& destination) = 0;
    // Opens a conversion stream; with a null stream only asks whether one could be opened.
    virtual int StreamOpen(CodecStream* stream, const WaveFormat& source,
                           const WaveFormat& destination) = 0;
    // The largest number of destination bytes that sourceBytes source bytes can give.
    virtual int StreamSize(CodecStream stream, std::uint32_t sourceBytes,
                           std::uint32_t& destinationBytes) = 0;
    virtual int PrepareHeader(CodecStream stream, CodecStreamHeader& header) = 0;
    // Converts header.source into header.destination; with blockAlign, whole blocks only.
    virtual int Convert(CodecStream stream, CodecStreamHeader& header, bool blockAlign) = 0;
    virtual int UnprepareHeader(CodecStream stream, CodecStreamHeader& header) = 0;
    virtual int StreamClose(CodecStream stream) = 0;
};

}  // namespace sonaro
