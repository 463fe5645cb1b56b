#include "import/decoder/sound_source.h"

#include "import/import_failure.h"

namespace sonaro {
namespace {

ByteSource& Bytes(void* user) {
    return *static_cast<ByteSource*>(user);
}

// libsndfile's calls on a file, passed on to the byte source.
SF_VIRTUAL_IO ByteSourceCalls() {
    SF_VIRTUAL_IO calls{};
    calls.get_filelen = [](void* user) -> sf_count_t { return Bytes(user).Length(); };
    calls.seek = [](sf_count_t offset, int whence, void* user) -> sf_count_t {
        return Bytes(user).Seek(offset, whence);
    };
    calls.read = [](void* buffer, sf_count_t count, void* user) -> sf_count_t {
        return Bytes(user).Read(buffer, count);
    };
    calls.tell = [](void* user) -> sf_count_t { return Bytes(user).Tell(); };
    return calls;
}

}  // namespace

SoundSource::SoundSource(ByteSource& bytes) : bytes_(bytes), length_(bytes.Length()) {
    SF_VIRTUAL_IO calls = ByteSourceCalls();
    sound_ = sf_open_virtual(&calls, SFM_READ, &info_, &bytes_);
    if (sound_ == nullptr) {
        throw ImportFailure(sf_strerror(nullptr));
    }
}

SoundSource::~SoundSource() {
    sf_close(sound_);
}

SampleKind SoundSource::kind() const {
    switch (info_.format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return SampleKind::Int8;
        case SF_FORMAT_PCM_16:
            return SampleKind::Int16;
        default:
            return SampleKind::Other;
    }
}

std::int64_t SoundSource::frames() const {
    return info_.frames == SF_COUNT_MAX ? -1 : info_.frames;
}

std::size_t SoundSource::Read(std::int16_t* samples, std::size_t count) {
    return Checked(sf_readf_short(sound_, samples, static_cast<sf_count_t>(count)));
}

std::size_t SoundSource::Read(float* samples, std::size_t count) {
    return Checked(sf_readf_float(sound_, samples, static_cast<sf_count_t>(count)));
}

// No frames is the end of the sound, or an error that libsndfile has noted. A sound that ends
// early is a damaged file (a FLAC cut short), except for MPEG, whose count libsndfile estimates.
std::size_t SoundSource::Checked(sf_count_t frames) {
    if (frames > 0) {
        framesRead_ += frames;
        return static_cast<std::size_t>(frames);
    }
    if (sf_error(sound_) != SF_ERR_NO_ERROR) {
        throw ImportFailure(sf_strerror(sound_));
    }
    const int major = info_.format & SF_FORMAT_TYPEMASK;
    if (framesRead_ < this->frames() && major != SF_FORMAT_MPEG) {
        throw ImportFailure("The file ends before its sound does.");
    }
    return 0;
}

double SoundSource::Progress() const {
    const std::int64_t position = bytes_.Tell();
    if (length_ <= 0 || position <= 0) {
        return 0.0;
    }
    return position >= length_ ? 1.0 : static_cast<double>(position) / static_cast<double>(length_);
}

}  // namespace sonaro
