#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/codecs/codec_manager.h"
#include "convert/formats/adpcm_geometry.h"
#include "convert/formats/wave_format.h"
#include "convert/operations/sound_description.h"

namespace sonaro {

// A sound as 16-bit linear samples, channels interleaved, decoded piece by piece as it is read,
// so that playback can start before the whole sound is decoded: 8- and 16-bit PCM and A-law as
// asked for, Microsoft ADPCM a block at a time, Voxware through the codec manager at once when
// opened (a codec may fail anywhere, and a sound that fails is not played at all). Where the
// sound lies and what it is come from its description (the reader's, or a conversion's); whatever
// makes the sound undecodable is found when it is opened.
class WaveStream {
  public:
    // The sound the description tells of; nothing when its file cannot be read, is longer than
    // maxBytes, or holds a format or a shape that cannot be decoded.
    static std::unique_ptr<WaveStream> Open(const SoundDescription& sound, std::uint64_t maxBytes,
                                            CodecManager& codecs);

    std::uint32_t samplesPerSec() const { return format_.samplesPerSec; }
    std::uint16_t channels() const { return format_.channels; }
    // The frames of the whole sound.
    std::size_t frames() const { return frames_; }
    std::size_t framesLeft() const { return frames_ - given_; }
    bool AtEnd() const { return given_ == frames_; }

    // Decodes the next frames into out, as many as maxSamples samples hold (whole frames only);
    // answers the samples written, 0 at the end.
    std::size_t Read(std::int16_t* out, std::size_t maxSamples);

  private:
    WaveStream(std::vector<std::uint8_t> data, const SoundDescription& sound);
    bool Prepare(CodecManager& codecs);
    bool DecodeVoxware(CodecManager& codecs);
    // Decodes the next ADPCM block into pending_.
    void DecodeBlock();
    const std::uint8_t* data() const { return data_.data(); }

    std::vector<std::uint8_t> data_;  // the sound data the file holds
    WaveFormat format_;
    std::uint16_t samplesPerBlock_;
    std::size_t frames_ = 0;
    std::size_t given_ = 0;  // frames handed out
    // ADPCM: the blocks, and the next to decode.
    AdpcmGeometry geometry_{};
    AdpcmBlockPlan plan_{};
    std::uint64_t nextBlock_ = 0;
    // Samples decoded ahead (an ADPCM block, all of a Voxware sound), from pendingAt_ on.
    std::vector<std::int16_t> pending_;
    std::size_t pendingAt_ = 0;
};

}  // namespace sonaro
