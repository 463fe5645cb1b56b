#include "app/wave_stream_device.h"

namespace sonaro {

WaveStreamDevice::WaveStreamDevice(std::unique_ptr<WaveStream> stream)
    : stream_(std::move(stream)) {}

bool WaveStreamDevice::atEnd() const {
    return stream_->AtEnd() && QIODevice::bytesAvailable() == 0;
}

qint64 WaveStreamDevice::bytesAvailable() const {
    const auto left = static_cast<qint64>(stream_->framesLeft()) * stream_->channels() *
                      static_cast<qint64>(sizeof(std::int16_t));
    return left + QIODevice::bytesAvailable();
}

// Samples are kept in the machine's byte order, which is what Int16 means to the sink.
qint64 WaveStreamDevice::readData(char* data, qint64 maxSize) {
    const auto samples = static_cast<std::size_t>(maxSize) / sizeof(std::int16_t);
    return static_cast<qint64>(stream_->Read(reinterpret_cast<std::int16_t*>(data), samples) *
                               sizeof(std::int16_t));
}

qint64 WaveStreamDevice::writeData(const char*, qint64) {
    return -1;
}

}  // namespace sonaro
