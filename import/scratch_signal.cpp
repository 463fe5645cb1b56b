#include "import/scratch_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sonaro {

ScratchSignal::ScratchSignal(const std::string& path)
    : path_(path), file_(path, File::Mode::Write) {}

ScratchSignal::~ScratchSignal() {
    std::remove(path_.c_str());
}

void ScratchSignal::Append(float* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(samples[i])) {
            samples[i] = 0.0F;
        }
        peak_ = std::max(peak_, std::fabs(samples[i]));
    }
    file_.Write(samples, count * sizeof(float));
    count_ += count;
}

void ScratchSignal::Rewind() {
    file_.Close();
    file_.Open(path_, File::Mode::Read);
}

std::size_t ScratchSignal::Read(float* samples, std::size_t count) {
    return file_.Read(samples, count * sizeof(float)) / sizeof(float);
}

}  // namespace sonaro
