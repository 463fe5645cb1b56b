#include "import/sound_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include "import/import_failure.h"

namespace sonaro {

SoundSource::SoundSource(const std::string& path) : file_(path, File::Mode::Read) {
    struct stat status {};
    if (::fstat(file_.descriptor(), &status) == 0 && S_ISREG(status.st_mode)) {
        length_ = status.st_size;
    }
    sound_ = sf_open_fd(file_.descriptor(), SFM_READ, &info_, SF_FALSE);
    if (sound_ == nullptr) {
        throw ImportFailure(sf_strerror(nullptr));
    }
}

SoundSource::~SoundSource() {
    sf_close(sound_);
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
    const off_t position = ::lseek(file_.descriptor(), 0, SEEK_CUR);
    if (length_ <= 0 || position <= 0) {
        return 0.0;
    }
    return position >= length_ ? 1.0 : static_cast<double>(position) / static_cast<double>(length_);
}

}  // namespace sonaro
