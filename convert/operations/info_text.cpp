#include "convert/operations/info_text.h"

#include <cstdint>
#include <cstdio>

#include "resources/string_table.h"

namespace sonaro {

std::array<std::string, kInfoLines> InfoLabels() {
    return {LoadString(IDS_LABEL_FORMAT),        LoadString(IDS_LABEL_SIZE),
            LoadString(IDS_LABEL_PLAYBACK_TIME), LoadString(IDS_LABEL_SAMPLING_RATE),
            LoadString(IDS_LABEL_CHANNELS),      LoadString(IDS_LABEL_BIT_DEPTH)};
}

std::array<std::string, kInfoLines> InfoValues(const FormatRecord& record) {
    return {record.formatName,
            std::to_string(record.sizeKB) + " kB",
            FormatPlaybackTime(record.playbackSeconds),
            std::to_string(record.samplesPerSec) + " Hz",
            LoadString(record.channels == 1 ? IDS_MONO : IDS_STEREO),
            std::to_string(record.bitsPerSample) + " bits"};
}

std::string FormatPlaybackTime(float seconds) {
    const double time = seconds > 0.0F ? seconds : 0.0;
    const auto whole = static_cast<std::uint64_t>(time);
    std::uint64_t minutes = whole / 60;
    std::uint64_t secs = whole - 60 * minutes;
    auto hundredths = static_cast<std::uint64_t>(
        (time - 60.0 * static_cast<double>(minutes) - static_cast<double>(secs) + 0.005) * 100.0);
    if (hundredths > 99) {
        hundredths -= 100;
        if (secs < 59) {
            ++secs;
        } else {
            secs = 0;
            ++minutes;
        }
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2llu:%.2llu.%.2llu",
                  static_cast<unsigned long long>(minutes), static_cast<unsigned long long>(secs),
                  static_cast<unsigned long long>(hundredths));
    return text;
}

}  // namespace sonaro
