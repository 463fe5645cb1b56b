#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace sonaro {

// What a decoder process may take. Its processor time grows with the input: a base, and more for
// each MiB begun; the wall-clock deadline is twice that, as a busy machine shares its processors.
struct DecoderLimits {
    // The longest it may go without sending anything.
    std::chrono::milliseconds silence{20000};
    std::chrono::seconds baseTime{60};
    std::chrono::seconds timePerMiB{10};
    std::uint64_t memoryMiB = 1024;

    std::chrono::seconds ProcessorTime(std::uint64_t inputBytes) const {
        return baseTime + timePerMiB * static_cast<long>((inputBytes + (1U << 20) - 1) >> 20);
    }
    std::chrono::seconds Deadline(std::uint64_t inputBytes) const {
        return 2 * ProcessorTime(inputBytes);
    }
    // The decoder's job for a mode ("decode", "extensions") and an input of that many bytes:
    // the mode, its processor time and its memory.
    std::vector<std::string> Job(const char* mode, std::uint64_t inputBytes) const;
};

}  // namespace sonaro
