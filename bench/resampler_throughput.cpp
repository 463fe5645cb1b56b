// The resampler's sums alone (with the laying out of their inputs from the window the stage reads
// them into), at the filter of 44100 Hz (or the rates given): achieved multiply-adds per second
// with each instruction set and thread count, against that instruction set's limit: its
// multiply-adds alone, measured on the same number of threads.
// Usage: sonaro-bench-resampler [RATE...]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/fma_limit.h"
#include "convert/resampler/filter_tables.h"
#include "convert/resampler/polyphase_filter.h"
#include "convert/resampler/rate_table.h"
#include "convert/resampler/worker_team.h"
#include "convert/stages/3_resampler.h"

namespace {

using namespace sonaro;

// Filters 60 seconds of noise as the resampling stage does: every thread of the team takes the
// next span from a common counter, copies the span's inputs into a window of its own (where the
// stage reads them from its file) and computes the span on a side of its own. Only the computing
// is timed, on each thread; the copy stands for the read, which is the files' part of the work.
// Answers the multiply-adds per second of each thread's computing time, on average. Each output
// of a span costs the length of its phase; the up phases of one column add up to the filter.
double Measure(const RateRatio& ratio, SimdLevel level, unsigned threads) {
    using Clock = std::chrono::steady_clock;
    const FilterTable& table = *FindFilterTable(ratio.filterRate);
    WorkerTeam team(threads);
    const unsigned sides = team.size();
    const std::size_t windowSamples = ResamplerWindowSamples(sides);
    PolyphaseFilter filter(table, ratio.up, ratio.down, windowSamples, sides, level);
    const auto count = static_cast<std::int64_t>(60 * ratio.inputRate);
    std::vector<float> input(static_cast<std::size_t>(count));
    std::mt19937 random(1);
    std::uniform_real_distribution<float> value(-32768.0F, 32767.0F);
    for (float& x : input) {
        x = value(random);
    }
    std::vector<std::vector<float>> out(sides, std::vector<float>(filter.spanSize()));
    std::vector<std::vector<float>> windows(sides, std::vector<float>(windowSamples));
    std::vector<Clock::duration> computing(sides);
    const std::uint64_t outputs =
        (table.size + std::uint64_t{ratio.up} * static_cast<std::uint64_t>(count - 1) + ratio.down -
         1) /
        ratio.down;
    const std::uint64_t spans = (outputs + filter.spanSize() - 1) / filter.spanSize();
    std::atomic<std::uint64_t> next{0};
    team.OnEach([&](std::size_t side) {
        for (std::uint64_t k = next++; k < spans; k = next++) {
            const std::uint64_t first = k * filter.spanSize();
            const std::int64_t oldest = std::max<std::int64_t>(filter.FirstInput(first), 0);
            const std::int64_t newest = std::min(filter.LastInput(first), count - 1);
            std::copy(input.begin() + oldest, input.begin() + newest + 1, windows[side].begin());
            const auto start = Clock::now();
            filter.ComputeSpan(first, std::min(filter.spanSize(), outputs - first),
                               {windows[side].data(), oldest, newest + 1, count}, out[side].data(),
                               static_cast<unsigned>(side));
            computing[side] += Clock::now() - start;
        }
    });
    std::chrono::duration<double> total{};
    for (const Clock::duration took : computing) {
        total += took;
    }
    return static_cast<double>(outputs) / ratio.up * table.size / (total.count() / sides);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::uint32_t> rates;
    for (int i = 1; i < argc; ++i) {
        rates.push_back(static_cast<std::uint32_t>(std::atoi(argv[i])));
    }
    if (rates.empty()) {
        rates.push_back(44100);
    }
    const unsigned cores = WorkerTeam::DefaultSize();
    std::printf("%-8s %-8s %8s %16s %14s %9s\n", "rate", "vectors", "threads", "multiply-adds/s",
                "limit/s", "of limit");
    for (const SimdLevel level : SupportedSimdLevels()) {
        // The limit of this instruction set: its multiply-adds alone, on as many threads.
        const double limits[2] = {bench::MeasureFmaLimit(level, 1),
                                  bench::MeasureFmaLimit(level, cores)};
        for (const std::uint32_t rate : rates) {
            const RateRatio* ratio = FindRateRatio(rate);
            if (ratio == nullptr || ratio->Copied()) {
                continue;
            }
            for (const unsigned threads : {1U, cores}) {
                const double achieved = Measure(*ratio, level, threads);
                const double limit = limits[threads == 1 ? 0 : 1];
                std::printf("%-8u %-8s %8u %15.2fG %13.2fG %8.0f%%\n", rate,
                            std::string(SimdLevelName(level)).c_str(), threads, achieved / 1e9,
                            limit / 1e9, 100.0 * achieved / limit);
                if (cores == 1) {
                    break;
                }
            }
        }
    }
    return 0;
}
