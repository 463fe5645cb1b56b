#pragma once

#include <array>
#include <cstdint>

#include "convert/stages/stage.h"

namespace sonaro {

// The header of an A-law WAVE file of 8000 Hz, 8-bit, mono: RIFF, an 18-byte format chunk, a
// fact chunk with the sample count and the data chunk's header.
constexpr std::size_t kALawHeaderSize = 58;
std::array<std::uint8_t, kALawHeaderSize> ALawHeader(std::uint32_t samples);

// The last stage: writes the A-law WAVE file of the codes in its input (one byte per sample, as
// many as the input file holds); hands back the codes written.
class ALawFileWriter final : public Stage {
  public:
    Outcome<std::uint32_t> Run(const StageCall& call, ProgressPort& progress) const override;
};

}  // namespace sonaro
