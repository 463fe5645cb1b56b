#pragma once

#include <sndfile.h>

#include <cstddef>
#include <cstdint>

#include "import/decoder/byte_source.h"
#include "import/import_plan.h"

namespace sonaro {

// A sound file decoded by libsndfile through its virtual I/O, read front to back in blocks of
// frames (one sample per channel, interleaved). Files whose length libsndfile learns only at the
// end (MP3) work too.
class SoundSource {
  public:
    // Throws ImportFailure with libsndfile's own reason when the bytes hold no sound that
    // libsndfile can decode. The byte source must outlive the object.
    explicit SoundSource(ByteSource& bytes);
    ~SoundSource();
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;

    int channels() const { return info_.channels; }
    std::uint32_t rate() const { return static_cast<std::uint32_t>(info_.samplerate); }
    // What the samples are: 8- or 16-bit integers, or anything else.
    SampleKind kind() const;
    // The number of frames the file announces, or -1 when it is not known before the end.
    std::int64_t frames() const;

    // Read up to count frames; answer how many were read, 0 at the end. Integers are read as they
    // are (8-bit ones in the upper byte), floats over -1..1 for integer sources. A decoding error,
    // or an end before the frame count the file announced, throws ImportFailure.
    std::size_t Read(std::int16_t* samples, std::size_t count);
    std::size_t Read(float* samples, std::size_t count);

    // The share of the file read so far, 0 to 1 (always 0 when its length is unknown).
    double Progress() const;

  private:
    std::size_t Checked(sf_count_t frames);

    ByteSource& bytes_;
    std::int64_t length_ = 0;
    SF_INFO info_{};
    SNDFILE* sound_ = nullptr;
    std::int64_t framesRead_ = 0;
};

}  // namespace sonaro
