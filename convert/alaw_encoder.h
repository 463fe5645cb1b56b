#pragma once

#include <cstdint>

namespace sonaro {

// The segment of an A-law magnitude on the 16-bit scale: the first of the segment ends 255, 511,
// 1023, ..., 32767 that the magnitude does not exceed (0 to 7), or 8 above them all.
int FindALawSegment(std::int16_t magnitude);

// The G.711 A-law code of a 16-bit sample whose full scale is ±32767. A negative sample's
// magnitude is taken as -v - 8 on the 16-bit scale (at least 0) before it is quantised.
std::uint8_t EncodeALaw(std::int16_t sample);

}  // namespace sonaro
