#pragma once

#include <cstdint>
#include <vector>

namespace sonaro::test {

// How a test steers the test codec driver: through the 16 codec bytes of the source format.
// Byte 0 names an operation that fails, byte 1 which call of it on one stream (1 = the first; the
// format questions fail on every call), byte 2 holds flags that make answers faulty.
enum class TestCodecFault : std::uint8_t {
    None,
    Suggest,  // format suggestion
    Query,    // asking whether a stream could be opened
    Open,     // opening a stream for real
    Size,
    Prepare,
    Convert,
    Unprepare,
    Close,
};

constexpr std::uint8_t kTestCodecOddSize = 0x1;   // the size of a block's output is one too many
constexpr std::uint8_t kTestCodecOverlong = 0x2;  // claims one byte more than the buffer holds
constexpr std::uint8_t kTestCodecOddUsed = 0x4;   // claims one byte less than it wrote
// Takes a millisecond for each block, as a slow codec does: a conversion that lasts long enough
// for its progress window to be looked at.
constexpr std::uint8_t kTestCodecSlow = 0x8;

// The driver's own failure codes.
constexpr int kTestCodecRefused = 1000;   // not a format it knows
constexpr int kTestCodecInjected = 1001;  // the failure a test asked for
constexpr int kTestCodecTooSmall = 1002;  // destination buffer too small

// One 27-byte block decodes to this many 16-bit samples (27 bytes at 300 bytes per second, 8000
// samples per second).
constexpr std::uint32_t kTestCodecBlockSamples = 720;

inline std::vector<std::uint8_t> TestCodecBytes(TestCodecFault fault, std::uint8_t nth = 1,
                                                std::uint8_t flags = 0) {
    std::vector<std::uint8_t> bytes(16, 0);
    bytes[0] = static_cast<std::uint8_t>(fault);
    bytes[1] = nth;
    bytes[2] = flags;
    return bytes;
}

}  // namespace sonaro::test
