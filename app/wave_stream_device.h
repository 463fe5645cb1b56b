#pragma once

#include <QIODevice>
#include <memory>

#include "convert/playback/wave_stream.h"

namespace sonaro {

// A sound as the sequential device an audio sink pulls from: each read decodes just what the
// sink asks for, so the first samples play before the rest of the file is decoded.
class WaveStreamDevice final : public QIODevice {
  public:
    explicit WaveStreamDevice(std::unique_ptr<WaveStream> stream);

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

  private:
    std::unique_ptr<WaveStream> stream_;
};

}  // namespace sonaro
