#include "bench/fma_limit.h"

#include <chrono>
#include <cstddef>
#include <numeric>
#include <thread>
#include <vector>

namespace sonaro::bench {
namespace {

constexpr long kSteps = 20'000'000;
volatile double factor = 1.0;  // read at run time, so the multiply-adds cannot be folded away
volatile double sink = 0.0;

// kVectors independent chains of multiply-adds (enough to cover the latency of the unit);
// answers the multiply-adds done per second.
template <typename Vector, std::size_t kVectors>
[[gnu::always_inline]] inline double Run() {
    constexpr std::size_t kWidth = sizeof(Vector) / sizeof(double);
    Vector acc[kVectors];
    for (std::size_t v = 0; v < kVectors; ++v) {
        acc[v] = Vector{} + static_cast<double>(v);
    }
    const double a = factor;
    const double b = 1e-12;
    const auto start = std::chrono::steady_clock::now();
    for (long step = 0; step < kSteps; ++step) {
#pragma GCC unroll 16
        for (std::size_t v = 0; v < kVectors; ++v) {
            acc[v] = acc[v] * a + b;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    double total = 0;
    for (std::size_t v = 0; v < kVectors; ++v) {
        total += acc[v][0];
    }
    sink = total;
    return static_cast<double>(kSteps) * kVectors * kWidth / took.count();
}

using Double2 = double __attribute__((vector_size(16)));
using Double4 = double __attribute__((vector_size(32)));
using Double8 = double __attribute__((vector_size(64)));

double RunBaseline() {
    return Run<Double2, 12>();
}

[[gnu::target("avx2,fma")]] double RunAvx2() {
    return Run<Double4, 12>();
}

[[gnu::target("avx512f,avx2,fma")]] double RunAvx512() {
    return Run<Double8, 16>();
}

double MeasureOnOneThread(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return RunAvx512();
        case SimdLevel::Avx2:
            return RunAvx2();
        case SimdLevel::Baseline:
            break;
    }
    return RunBaseline();
}

}  // namespace

double MeasureFmaLimit(SimdLevel level, unsigned threads) {
    std::vector<double> rates(threads);
    std::vector<std::thread> others;
    for (unsigned t = 1; t < threads; ++t) {
        others.emplace_back([&rates, level, t] { rates[t] = MeasureOnOneThread(level); });
    }
    rates[0] = MeasureOnOneThread(level);
    for (std::thread& other : others) {
        other.join();
    }
    return std::accumulate(rates.begin(), rates.end(), 0.0);
}

}  // namespace sonaro::bench
