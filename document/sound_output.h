#pragma once

#include <string>

namespace sonaro {

// The platform's sound player: one WAV file at a time, played in the background.
class SoundOutput {
  public:
    virtual ~SoundOutput() = default;

    // The number of sound output devices; 0 means nothing can be played.
    virtual unsigned CountDevices() = 0;
    // Stops what this program is playing; false when it could not be stopped.
    virtual bool Stop() = 0;
    // Starts playing the file and returns at once; false when playback could not start.
    virtual bool PlayFile(const std::string& path) = 0;
};

// The sound output of a machine without a sound device.
class SilentSoundOutput final : public SoundOutput {
  public:
    unsigned CountDevices() override { return 0; }
    bool Stop() override { return true; }
    bool PlayFile(const std::string&) override { return false; }
};

}  // namespace sonaro
