#include "convert/formats/adpcm_geometry.h"

#include <algorithm>
#include <limits>

namespace sonaro {

std::uint64_t AdpcmGeometry::FramesInBlock(std::size_t blockBytes, unsigned channels) {
    if (channels == 0 || blockBytes < kHeaderBytes * channels) {
        return 0;
    }
    return 2 + 2 * std::uint64_t{blockBytes - kHeaderBytes * channels} / channels;
}

bool AdpcmGeometry::Fits() const {
    if (channels < 1 || channels > 2) {
        return false;
    }
    return samplesPerBlock >= 2 && samplesPerBlock <= FramesInBlock(blockAlign, channels);
}

AdpcmBlockPlan AdpcmGeometry::Plan(std::uint32_t dataSize) const {
    constexpr std::uint64_t kMaxFrames = std::numeric_limits<std::uint32_t>::max();
    AdpcmBlockPlan plan;
    plan.fullBlocks = std::min<std::uint64_t>(dataSize / blockAlign, kMaxFrames / samplesPerBlock);
    std::uint64_t frames = plan.fullBlocks * samplesPerBlock;
    const std::uint32_t rest = dataSize % blockAlign;
    const std::uint64_t restFrames = FramesInBlock(rest, channels);
    const bool allWholeBlocks = plan.fullBlocks == dataSize / blockAlign;
    if (restFrames != 0 && allWholeBlocks && frames + restFrames <= kMaxFrames) {
        plan.partialBytes = rest;
        plan.partialFrames = static_cast<std::uint32_t>(restFrames);
        frames += restFrames;
    }
    plan.frames = static_cast<std::uint32_t>(frames);
    return plan;
}

}  // namespace sonaro
