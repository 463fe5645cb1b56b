// Arbitrary bytes as one Microsoft ADPCM block, with the channel and frame counts taken from the
// first two bytes: the decoder must stay inside its spans (the output span is exactly as long as
// the frames need) and decode exactly when the geometry is sound and the predictors are in range.
#include <cstdlib>
#include <span>
#include <vector>

#include "convert/formats/adpcm_block_decoder.h"
#include "convert/formats/adpcm_geometry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using sonaro::AdpcmBlockDecoder;
    if (size < 2) {
        return 0;
    }
    const unsigned channels = data[0] % 4;
    const std::span<const std::uint8_t> block(data + 2, size - 2);
    const std::uint64_t capacity = sonaro::AdpcmGeometry::FramesInBlock(block.size(), channels);
    // Frames from 0 to a little beyond what the block holds.
    const std::uint64_t frames = capacity == 0 ? data[1] % 4 : data[1] % (capacity + 3);
    std::vector<std::int16_t> out(frames * (channels == 0 ? 1 : channels));
    const auto result = AdpcmBlockDecoder::Decode(block, channels, frames, out);

    const bool sound = channels >= 1 && channels <= 2 && frames >= 2 && frames <= capacity;
    const bool inRange = sound && block[0] < 7 && (channels == 1 || block[1] < 7);
    const auto expected = !sound    ? AdpcmBlockDecoder::Result::BadGeometry
                          : inRange ? AdpcmBlockDecoder::Result::Decoded
                                    : AdpcmBlockDecoder::Result::BadPredictor;
    if (result != expected) {
        std::abort();
    }
    return 0;
}
