#pragma once

#include <cstdint>

namespace sonaro {

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

// The plan for a source of that many channels and that rate whose samples are of the given
// libsndfile subtype (SF_FORMAT_PCM_16, SF_FORMAT_VORBIS, ...).
ImportPlan PlanImport(int channels, std::uint32_t rate, int subtype);

}  // namespace sonaro
