#pragma once

#include <memory>
#include <string>

#include "convert/codecs/codec_manager.h"
#include "document/sound_output.h"

class QAudioSink;

namespace sonaro {

class WaveStreamDevice;

// Sound output through Qt Multimedia: the file is decoded by the program's own decoder as the
// default output device plays it, in the background. One sound at a time: a new one
// replaces the one playing. Playback advances with the Qt event loop.
class QtSoundOutput final : public SoundOutput {
  public:
    explicit QtSoundOutput(CodecManager& codecs);
    ~QtSoundOutput() override;
    QtSoundOutput(const QtSoundOutput&) = delete;
    QtSoundOutput& operator=(const QtSoundOutput&) = delete;

    unsigned CountDevices() override;
    bool Stop() override;
    bool PlayFile(const SoundDescription& sound) override;

    // A sound has been started and has neither ended nor been stopped.
    bool IsPlaying() const;

  private:
    void OnStateChanged();

    CodecManager& codecs_;
    std::unique_ptr<WaveStreamDevice> source_;
    std::unique_ptr<QAudioSink> sink_;
};

}  // namespace sonaro
