#pragma once

#include <cstdint>

namespace sonaro {

// What a source's samples are, as far as the import cares: 8- or 16-bit integers, which may be
// copied as they are, or anything else.
enum class SampleKind : std::uint32_t { Int8 = 0, Int16 = 1, Other = 2 };

// What an import writes for a source: the shape of the PCM WAV file, and whether the source's
// samples are copied one for one (8- and 16-bit integers that need neither mixing nor another
// rate) or decoded, mixed, resampled and scaled to 16-bit full scale.
struct ImportPlan {
    int channels = 0;
    std::uint32_t rate = 0;
    int bits = 16;
    bool copy = false;
};

// The accepted rate a source rate becomes: itself when accepted, else the smallest accepted rate
// above it (never 8012), and 48000 above 48000.
std::uint32_t ImportRate(std::uint32_t rate);

// The plan for a source of that many channels and that rate whose samples are of that kind.
ImportPlan PlanImport(int channels, std::uint32_t rate, SampleKind kind);

}  // namespace sonaro
