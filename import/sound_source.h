#pragma once

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/files/file.h"

namespace sonaro {

// A sound file decoded by libsndfile, read front to back in blocks of frames (one sample per
// channel, interleaved). Files whose length libsndfile learns only at the end (MP3) work too.
class SoundSource {
  public:
    // Throws FileException when the file cannot be opened, ImportFailure with libsndfile's own
    // reason when it holds no sound that libsndfile can decode.
    explicit SoundSource(const std::string& path);
    ~SoundSource();
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;

    int channels() const { return info_.channels; }
    std::uint32_t rate() const { return static_cast<std::uint32_t>(info_.samplerate); }
    // The sample encoding, a libsndfile subtype such as SF_FORMAT_PCM_16.
    int subtype() const { return info_.format & SF_FORMAT_SUBMASK; }
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

    File file_;
    std::int64_t length_ = 0;
    SF_INFO info_{};
    SNDFILE* sound_ = nullptr;
    std::int64_t framesRead_ = 0;
};

}  // namespace sonaro
