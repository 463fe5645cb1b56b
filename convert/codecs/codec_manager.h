#pragma once

#include <cstdint>

#include "convert/formats/wave_format.h"

namespace sonaro {

// One conversion call's buffers, as the codec manager and its drivers see them. The user fields
// are the caller's own and are never looked at by the manager.
struct CodecStreamHeader {
    // Status bits, set by the manager.
    static constexpr std::uint32_t kDone = 0x1;      // the last conversion has finished
    static constexpr std::uint32_t kPrepared = 0x2;  // prepared and not yet unprepared

    std::uint32_t status = 0;
    std::uintptr_t userData = 0;
    const std::uint8_t* source = nullptr;
    std::uint32_t sourceLength = 0;
    std::uint32_t sourceLengthUsed = 0;
    std::uintptr_t sourceUserData = 0;
    std::uint8_t* destination = nullptr;
    std::uint32_t destinationLength = 0;
    std::uint32_t destinationLengthUsed = 0;
    std::uintptr_t destinationUserData = 0;
};

using CodecStream = std::uintptr_t;

// Decodes compressed WAVE data through codec drivers that lie outside the program. Every
// operation answers 0 on success and a nonzero code on failure.
class CodecManager {
  public:
    // Failure codes of the manager itself; a driver's own nonzero codes are passed on as they are.
    static constexpr int kDriverFault = 1;        // a driver answered something impossible
    static constexpr int kInvalidHandle = 5;      // no open stream has this handle
    static constexpr int kInvalidParameter = 11;  // a header's buffers are missing or changed
    static constexpr int kNotPossible = 512;      // no driver can do it
    static constexpr int kNotPrepared = 514;      // the header is not prepared (or already is)

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
    // Ends the stream; headers still prepared on it are released with it.
    virtual int StreamClose(CodecStream stream) = 0;
};

}  // namespace sonaro
