#pragma once

#include "convert/operations/sound_description.h"

namespace sonaro {

// The platform's sound player: one sound at a time, played in the background.
class SoundOutput {
  public:
    virtual ~SoundOutput() = default;

    // The number of sound output devices; 0 means nothing can be played.
    virtual unsigned CountDevices() = 0;
    // Stops what this program is playing; false when it could not be stopped.
    virtual bool Stop() = 0;
    // Starts playing the sound the description tells of and returns at once; false when
    // playback could not start.
    virtual bool PlayFile(const SoundDescription& sound) = 0;
};

}  // namespace sonaro
