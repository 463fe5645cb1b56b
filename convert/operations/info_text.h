#pragma once

#include <array>
#include <string>

#include "convert/operations/format_record.h"

namespace sonaro {

// The six lines of the information view: format, size, playback time, sampling rate, channels
// and bit depth. The labels are always shown; the values only while a file is open.
constexpr std::size_t kInfoLines = 6;
std::array<std::string, kInfoLines> InfoLabels();
std::array<std::string, kInfoLines> InfoValues(const FormatRecord& record);

// A playback time as minutes, seconds and hundredths ("01:06.00"), rounded to the nearest
// hundredth with the carry into seconds and minutes.
std::string FormatPlaybackTime(float seconds);

}  // namespace sonaro
