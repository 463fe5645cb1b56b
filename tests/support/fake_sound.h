#pragma once

#include <string>
#include <vector>

#include "document/sound_output.h"

namespace sonaro::test {

// A sound output that records what it was asked to do.
class FakeSound final : public SoundOutput {
  public:
    explicit FakeSound(unsigned deviceCount = 1) : devices(deviceCount) {}

    unsigned CountDevices() override { return devices; }
    bool Stop() override {
        ++stops;
        return stopResult;
    }
    bool PlayFile(const SoundDescription& sound) override {
        played.push_back(sound.path);
        return playResult;
    }

    unsigned devices;
    bool stopResult = true;
    bool playResult = true;
    int stops = 0;
    std::vector<std::string> played;
};

}  // namespace sonaro::test
