#pragma once

#include <QByteArray>
#include <memory>
#include <string>

#include "convert/codecs/codec_manager.h"
#include "document/sound_output.h"

class QAudioSink;
class QBuffer;

namespace sonaro {

// Sound output through Qt Multimedia: the file is decoded in memory by the program's own decoder
// and played in the background on the default output device. One sound at a time: a new one
// replaces the one playing. Playback advances with the Qt event loop.
class QtSoundOutput final : public SoundOutput {
  public:
    explicit QtSoundOutput(CodecManager& codecs);
    ~QtSoundOutput() override;
    QtSoundOutput(const QtSoundOutput&) = delete;
    QtSoundOutput& operator=(const QtSoundOutput&) = delete;

    unsigned CountDevices() override;
    bool Stop() override;
    bool PlayFile(const std::string& path) override;

    // A sound has been started and has neither ended nor been stopped.
    bool IsPlaying() const;

  private:
    void OnStateChanged();

    CodecManager& codecs_;
    QByteArray pcm_;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QAudioSink> sink_;
};

}  // namespace sonaro
