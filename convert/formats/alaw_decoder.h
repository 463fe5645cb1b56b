#pragma once

#include <cstdint>

namespace sonaro {

// The 16-bit linear value of a G.711 A-law code: the middle of the code's quantisation interval,
// scaled from 13 to 16 bits.
constexpr std::int16_t DecodeALaw(std::uint8_t code) {
    const unsigned bits = code ^ 0x55U;  // even bits are stored inverted
    const unsigned exponent = (bits >> 4) & 0x07U;
    const unsigned mantissa = bits & 0x0FU;
    unsigned magnitude = (mantissa << 4) + 8;
    if (exponent != 0) {
        magnitude = (magnitude + 0x100) << (exponent - 1);
    }
    const int value =
        (bits & 0x80U) != 0 ? static_cast<int>(magnitude) : -static_cast<int>(magnitude);
    return static_cast<std::int16_t>(value);
}

}  // namespace sonaro
