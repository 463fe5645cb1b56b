#include "convert/resampler/phase_rows.h"

#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "convert/formats/vector_shuffle.h"

namespace sonaro {
namespace {

using Float4 = float __attribute__((vector_size(16)));
using Float8 = float __attribute__((vector_size(32)));
using Float16 = float __attribute__((vector_size(64)));
using Int4 = std::int32_t __attribute__((vector_size(16)));
using Int8 = std::int32_t __attribute__((vector_size(32)));
using Int16 = std::int32_t __attribute__((vector_size(64)));
using Double4 = double __attribute__((vector_size(32)));
using Double8 = double __attribute__((vector_size(64)));

template <typename Vector>
[[gnu::always_inline]] inline Vector Load(const float* source, std::ptrdiff_t at) {
    Vector v;
    std::memcpy(&v, source + at, sizeof v);
    return v;
}

template <typename Vector>
[[gnu::always_inline]] inline void Store(double* rows, Vector v) {
    std::memcpy(rows, &v, sizeof v);
}

// Two vectors of two streams.
[[gnu::always_inline]] inline void Transpose2(const float* from, std::ptrdiff_t step, double* to) {
    const double columns[4] = {from[0], from[step], from[1], from[step + 1]};
    std::memcpy(to, columns, sizeof columns);
}

// Four vectors of four streams: four loads, a 4 × 4 transposition in registers, four conversions
// to doubles and four stores.
[[gnu::always_inline]] inline void Transpose4(const float* from, std::ptrdiff_t step, double* to) {
    const Float4 r0 = Load<Float4>(from, 0);
    const Float4 r1 = Load<Float4>(from, step);
    const Float4 r2 = Load<Float4>(from, 2 * step);
    const Float4 r3 = Load<Float4>(from, 3 * step);
    const Float4 t0 = Shuffle(r0, r1, Int4{0, 4, 1, 5});
    const Float4 t1 = Shuffle(r0, r1, Int4{2, 6, 3, 7});
    const Float4 t2 = Shuffle(r2, r3, Int4{0, 4, 1, 5});
    const Float4 t3 = Shuffle(r2, r3, Int4{2, 6, 3, 7});
    Store(to, __builtin_convertvector(Shuffle(t0, t2, Int4{0, 1, 4, 5}), Double4));
    Store(to + 4, __builtin_convertvector(Shuffle(t0, t2, Int4{2, 3, 6, 7}), Double4));
    Store(to + 8, __builtin_convertvector(Shuffle(t1, t3, Int4{0, 1, 4, 5}), Double4));
    Store(to + 12, __builtin_convertvector(Shuffle(t1, t3, Int4{2, 3, 6, 7}), Double4));
}

// The lanes of a round of Transpose8x16 that joins runs of kRun lanes of two vectors a and b:
// run e of a, then run e of b, for the runs e of the lower half of each (of the upper half with
// kUpper).
template <int kRun, bool kUpper>
constexpr int JoinedRun(int lane) {
    const int e = lane / (2 * kRun) + (kUpper ? 8 / kRun : 0);
    const int j = lane % (2 * kRun);
    return j < kRun ? kRun * e + j : 16 + kRun * e + j - kRun;
}

template <int kRun, bool kUpper, int... kLane>
constexpr Int16 JoinedRuns(std::integer_sequence<int, kLane...>) {
    return Int16{JoinedRun<kRun, kUpper>(kLane)...};
}

template <int kRun, bool kUpper>
constexpr Int16 kJoinedRuns = JoinedRuns<kRun, kUpper>(std::make_integer_sequence<int, 16>{});

// Joins vectors k and k + 4 into vectors 2k and 2k + 1, in runs of kRun lanes.
template <int kRun>
[[gnu::always_inline]] inline void JoinRuns(Float16 (&r)[8]) {
    Float16 t[8];
#pragma GCC unroll 4
    for (std::size_t k = 0; k < 4; ++k) {
        t[2 * k] = Shuffle(r[k], r[k + 4], kJoinedRuns<kRun, false>);
        t[2 * k + 1] = Shuffle(r[k], r[k + 4], kJoinedRuns<kRun, true>);
    }
    std::memcpy(r, t, sizeof t);
}

// Sixteen vectors of eight streams. The eight rows of sixteen inputs are loaded whole, in
// bit-reversed order, and joined in runs of one lane, then two, then four. After that vector k
// holds vectors 2k and 2k + 1 as floats, each in stream order, widened half by half (GCC 12
// widens eight floats as two halves of four, hence the intrinsic).
[[gnu::target("avx512f,avx2,fma")]] [[gnu::always_inline]] inline void Transpose8x16(
    const float* from, std::ptrdiff_t step, double* to) {
    constexpr std::size_t kBitReversed[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    Float16 r[8];
#pragma GCC unroll 8
    for (std::size_t k = 0; k < 8; ++k) {
        std::memcpy(&r[k], from + static_cast<std::ptrdiff_t>(kBitReversed[k]) * step, sizeof r[k]);
    }
    JoinRuns<1>(r);
    JoinRuns<2>(r);
    JoinRuns<4>(r);
#pragma GCC unroll 8
    for (std::size_t k = 0; k < 8; ++k) {
        const Float8 first = __builtin_shufflevector(r[k], r[k], 0, 1, 2, 3, 4, 5, 6, 7);
        const Float8 second = __builtin_shufflevector(r[k], r[k], 8, 9, 10, 11, 12, 13, 14, 15);
        _mm512_storeu_pd(to + 16 * k, _mm512_maskz_cvtps_pd(0xFF, first));
        _mm512_storeu_pd(to + 16 * k + 8, _mm512_maskz_cvtps_pd(0xFF, second));
    }
}

// Vectors [i, end) one at a time.
template <std::size_t kWidth>
[[gnu::always_inline]] inline void FillEach(const float* source, std::ptrdiff_t streamStep,
                                            std::size_t i, std::size_t end, double* rows) {
    for (; i < end; ++i) {
        for (std::size_t s = 0; s < kWidth; ++s) {
            rows[i * kWidth + s] = source[static_cast<std::ptrdiff_t>(s) * streamStep +
                                          static_cast<std::ptrdiff_t>(i)];
        }
    }
}

// Width vectors at a time, transposed in registers; the rest one vector at a time.
template <std::size_t kWidth>
[[gnu::always_inline]] inline void Fill(const float* source, std::ptrdiff_t streamStep,
                                        std::size_t begin, std::size_t end, double* rows) {
    std::size_t i = begin;
    for (; i + kWidth <= end; i += kWidth) {
        const float* from = source + static_cast<std::ptrdiff_t>(i);
        if constexpr (kWidth == 4) {
            Transpose4(from, streamStep, rows + i * kWidth);
        } else {
            Transpose2(from, streamStep, rows + i * kWidth);
        }
    }
    FillEach<kWidth>(source, streamStep, i, end, rows);
}

void FillBaseline(const float* source, std::ptrdiff_t streamStep, std::size_t begin,
                  std::size_t end, double* rows) {
    Fill<2>(source, streamStep, begin, end, rows);
}

[[gnu::target("avx2,fma")]] void FillAvx2(const float* source, std::ptrdiff_t streamStep,
                                          std::size_t begin, std::size_t end, double* rows) {
    Fill<4>(source, streamStep, begin, end, rows);
}

[[gnu::target("avx512f,avx2,fma")]] void FillAvx512(const float* source, std::ptrdiff_t streamStep,
                                                    std::size_t begin, std::size_t end,
                                                    double* rows) {
    std::size_t i = begin;
    for (; i + 16 <= end; i += 16) {
        Transpose8x16(source + static_cast<std::ptrdiff_t>(i), streamStep, rows + i * 8);
    }
    FillEach<8>(source, streamStep, i, end, rows);
}

}  // namespace

RowFillFunction RowFillFor(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return &FillAvx512;
        case SimdLevel::Avx2:
            return &FillAvx2;
        case SimdLevel::Baseline:
            break;
    }
    return &FillBaseline;
}

}  // namespace sonaro
