#include "convert/resampler/phase_rows.h"

#include <cstdint>
#include <cstring>

#include "convert/formats/vector_shuffle.h"

namespace sonaro {
namespace {

using Float4 = float __attribute__((vector_size(16)));
using Float8 = float __attribute__((vector_size(32)));
using Int4 = std::int32_t __attribute__((vector_size(16)));
using Int8 = std::int32_t __attribute__((vector_size(32)));
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

// Eight vectors of eight streams: rows 0 to 7 become columns in three rounds, each pairing
// vectors 1, 2 and 4 apart.
[[gnu::always_inline]] inline void Transpose8(const float* from, std::ptrdiff_t step, double* to) {
    Float8 r[8];
#pragma GCC unroll 8
    for (std::size_t s = 0; s < 8; ++s) {
        r[s] = Load<Float8>(from, static_cast<std::ptrdiff_t>(s) * step);
    }
    Float8 t[8];
#pragma GCC unroll 4
    for (std::size_t s = 0; s < 8; s += 2) {
        t[s] = Shuffle(r[s], r[s + 1], Int8{0, 8, 1, 9, 4, 12, 5, 13});
        t[s + 1] = Shuffle(r[s], r[s + 1], Int8{2, 10, 3, 11, 6, 14, 7, 15});
    }
#pragma GCC unroll 2
    for (std::size_t s = 0; s < 8; s += 4) {
#pragma GCC unroll 2
        for (std::size_t h = 0; h < 2; ++h) {
            r[s + 2 * h] = Shuffle(t[s + h], t[s + h + 2], Int8{0, 1, 8, 9, 4, 5, 12, 13});
            r[s + 2 * h + 1] = Shuffle(t[s + h], t[s + h + 2], Int8{2, 3, 10, 11, 6, 7, 14, 15});
        }
    }
#pragma GCC unroll 4
    for (std::size_t c = 0; c < 4; ++c) {
        Store(to + 8 * c, __builtin_convertvector(
                              Shuffle(r[c], r[c + 4], Int8{0, 1, 2, 3, 8, 9, 10, 11}), Double8));
        Store(to + 8 * (c + 4),
              __builtin_convertvector(Shuffle(r[c], r[c + 4], Int8{4, 5, 6, 7, 12, 13, 14, 15}),
                                      Double8));
    }
}

// Width vectors at a time, transposed in registers; the rest one vector at a time.
template <std::size_t kWidth>
[[gnu::always_inline]] inline void Fill(const float* source, std::ptrdiff_t streamStep,
                                        std::size_t begin, std::size_t end, double* rows) {
    std::size_t i = begin;
    for (; i + kWidth <= end; i += kWidth) {
        const float* from = source + static_cast<std::ptrdiff_t>(i);
        if constexpr (kWidth == 8) {
            Transpose8(from, streamStep, rows + i * kWidth);
        } else if constexpr (kWidth == 4) {
            Transpose4(from, streamStep, rows + i * kWidth);
        } else {
            Transpose2(from, streamStep, rows + i * kWidth);
        }
    }
    for (; i < end; ++i) {
        for (std::size_t s = 0; s < kWidth; ++s) {
            rows[i * kWidth + s] = source[static_cast<std::ptrdiff_t>(s) * streamStep +
                                          static_cast<std::ptrdiff_t>(i)];
        }
    }
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
    Fill<8>(source, streamStep, begin, end, rows);
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
