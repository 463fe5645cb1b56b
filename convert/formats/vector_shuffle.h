#pragma once

#include <cstddef>

namespace sonaro {

// Lane i of the result is lane index[i] of a followed by b, the index taken modulo twice the
// lane count (GCC's __builtin_shuffle). Clang has no shuffle with an index held in a vector: it
// takes the lanes one by one, to the same result (the fuzz targets are built with it).
template <typename Vector, typename Index>
[[gnu::always_inline]] inline Vector Shuffle(Vector a, Vector b, Index index) {
#if defined(__clang__)
    constexpr std::size_t kLanes = sizeof(Vector) / sizeof(a[0]);
    Vector result{};
    for (std::size_t i = 0; i < kLanes; ++i) {
        const auto lane = static_cast<std::size_t>(index[i]) % (2 * kLanes);
        result[i] = lane < kLanes ? a[lane] : b[lane - kLanes];
    }
    return result;
#else
    return __builtin_shuffle(a, b, index);
#endif
}

// The same from one vector: lane i of the result is lane index[i] (modulo the lane count) of a.
template <typename Vector, typename Index>
[[gnu::always_inline]] inline Vector Shuffle(Vector a, Index index) {
#if defined(__clang__)
    return Shuffle(a, a, index);
#else
    return __builtin_shuffle(a, index);
#endif
}

}  // namespace sonaro
