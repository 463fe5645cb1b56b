// The fast path of the resampler: spans of outputs computed by every kernel the processor has,
// shared out over any number of threads, against the plain loop and the definition, bit for bit.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <set>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <vector>

#include "convert/resampler/cpu_budget.h"
#include "convert/resampler/filter_tables.h"
#include "convert/resampler/phase_sums.h"
#include "convert/resampler/polyphase_filter.h"
#include "convert/resampler/rate_table.h"
#include "convert/resampler/worker_team.h"
#include "tests/convert/resampling_reference.h"

namespace sonaro {
namespace {

using test::kRates;
using test::Rate;

using test::SameBits;

// The smallest window that holds one span: one unit of kLaneUnit columns.
std::size_t SmallestWindow(const Rate& rate) {
    const std::size_t taps = FindFilterTable(rate.filterRate)->size;
    const std::size_t longest = (taps + rate.up - 1) / rate.up;
    return longest - 1 + (rate.up - 1) * rate.down / rate.up + (kLaneUnit - 1) * rate.down + 1;
}

// Runs the filter over the whole input as the stage does: the team computes as many spans at a
// time as it has threads, each on a side of its own, each with a window that holds only the
// inputs the filter says the span reaches.
std::vector<float> FilterAll(const std::vector<float>& x, const Rate& rate, std::size_t window,
                             SimdLevel level, WorkerTeam& team) {
    const unsigned sides = team.size();
    PolyphaseFilter filter(*FindFilterTable(rate.filterRate), rate.up, rate.down, window, sides,
                           level);
    const auto count = static_cast<std::int64_t>(x.size());
    const std::uint64_t outputs =
        (filter.taps() + std::uint64_t{rate.up} * (x.size() - 1) + rate.down - 1) / rate.down;
    const std::uint64_t spans = (outputs + filter.spanSize() - 1) / filter.spanSize();
    std::vector<float> y(outputs);
    std::vector<std::vector<float>> span(sides, std::vector<float>(filter.spanSize()));
    std::vector<std::vector<float>> held(sides, std::vector<float>(window));
    for (std::uint64_t round = 0; round * sides < spans; ++round) {
        const auto size =
            static_cast<std::size_t>(std::min<std::uint64_t>(sides, spans - round * sides));
        team.ForEach(size, [&](std::size_t side) {
            const std::uint64_t first = (round * sides + side) * filter.spanSize();
            const std::int64_t from = std::max<std::int64_t>(filter.FirstInput(first), 0);
            const std::int64_t to = std::min(filter.LastInput(first), count - 1);
            EXPECT_LE(to - from + 1, static_cast<std::int64_t>(window));
            // Anything read beyond the reach shows.
            std::fill(held[side].begin(), held[side].end(), 1e30f);
            std::copy(x.begin() + from, x.begin() + to + 1, held[side].begin());
            const std::uint64_t n = std::min(filter.spanSize(), outputs - first);
            filter.ComputeSpan(first, n, {held[side].data(), from, to + 1, count},
                               span[side].data(), static_cast<unsigned>(side));
            std::copy_n(span[side].begin(), n, y.begin() + static_cast<std::ptrdiff_t>(first));
        });
    }
    return y;
}

TEST(ResamplingReference, PlainLoopIsTheDefinition) {
    for (const Rate& rate : kRates) {
        for (const std::size_t length : {1U, 2U, 5U, 1000U, 4321U}) {
            const std::vector<float> x = test::OrderSensitive(length, rate, rate.rate + length);
            EXPECT_TRUE(SameBits(test::ScalarResample(x, rate), test::DirectResample(x, rate)))
                << rate.rate << " Hz, " << length << " samples";
        }
    }
}

// Lengths that end a span early, at and around span and lane boundaries, and several spans.
std::vector<std::size_t> Lengths(const Rate& rate, std::size_t window) {
    const std::size_t spanInputs = kLaneUnit * rate.down;
    return {1, 2, 3, 97, window - 1, window, window + 1, 2 * spanInputs, 5 * spanInputs + 7};
}

TEST(PolyphaseFilter, EveryKernelAndThreadCountMatchesThePlainLoop) {
    for (const unsigned threads : {1U, 2U, 3U, 5U}) {
        WorkerTeam team(threads);
        for (const Rate& rate : kRates) {
            const std::size_t window = SmallestWindow(rate);
            for (const std::size_t length : Lengths(rate, window)) {
                const std::vector<float> x = test::OrderSensitive(length, rate, rate.rate + length);
                const std::vector<float> expected = test::ScalarResample(x, rate);
                for (const SimdLevel level : SupportedSimdLevels()) {
                    EXPECT_TRUE(SameBits(FilterAll(x, rate, window, level, team), expected))
                        << rate.rate << " Hz, " << length << " samples, " << SimdLevelName(level)
                        << ", " << threads << " threads";
                }
            }
        }
    }
}

TEST(PolyphaseFilter, LargerWindowsGiveTheSameOutputs) {
    WorkerTeam team(2);
    const Rate& rate = test::RateOf(44100);
    const std::vector<float> x = test::Noise(40000, 11);
    const std::vector<float> expected = test::ScalarResample(x, rate);
    for (const std::size_t window : {SmallestWindow(rate), SmallestWindow(rate) + 5000,
                                     std::size_t{20000}, std::size_t{65536}}) {
        EXPECT_TRUE(SameBits(FilterAll(x, rate, window, BestSimdLevel(), team), expected))
            << window;
    }
}

// The filter points into its own storage: a copy would write into the original's.
static_assert(!std::is_copy_constructible_v<PolyphaseFilter> &&
              !std::is_copy_assignable_v<PolyphaseFilter>);

TEST(PolyphaseFilter, SpansAreWholeLaneUnitsOfEveryPhaseAndFitTheWindow) {
    for (const Rate& rate : kRates) {
        const FilterTable& table = *FindFilterTable(rate.filterRate);
        for (const std::size_t window : {SmallestWindow(rate), std::size_t{65536}}) {
            for (const SimdLevel level : SupportedSimdLevels()) {
                const PolyphaseFilter filter(table, rate.up, rate.down, window, 2, level);
                EXPECT_EQ(filter.sides(), 2U);
                EXPECT_EQ(filter.spanSize() % (kLaneUnit * rate.up), 0U) << rate.rate;
                EXPECT_LE(filter.LastInput(0) - filter.FirstInput(0) + 1,
                          static_cast<std::int64_t>(window));
                // A span starts where the one before it ends.
                const std::uint64_t next = filter.spanSize();
                EXPECT_EQ(filter.FirstInput(next) - filter.FirstInput(0),
                          static_cast<std::int64_t>(next * rate.down / rate.up));
            }
        }
        EXPECT_THROW(PolyphaseFilter(table, rate.up, rate.down, SmallestWindow(rate) - 1),
                     std::logic_error)
            << rate.rate;
    }
}

// One call of a kernel on made-up rows, against each sum done on its own as the kernel's
// contract says: output (v, s) sums taps[j] times stream s of the vector j before vector
// (slot × down + row) + v × down, for j = 0 to count - 1, from 0.0 in double precision.
struct KernelCall {
    std::size_t down;
    std::size_t count;
};

// Taps that repeat every kPeriod, and inputs with pairs of huge values kPeriod vectors apart in
// every stream: in each sum that meets both, the two huge terms cancel exactly, and what the
// small terms between them leave depends on the order of the sum in every bit.
constexpr std::size_t kPeriod = 7;

std::vector<double> PeriodicTaps(std::size_t count) {
    const std::vector<float> noise = test::Noise(kPeriod, 3);
    std::vector<double> taps(count);
    for (std::size_t t = 0; t < count; ++t) {
        taps[t] = noise[t % kPeriod] / 32768.0f;
    }
    return taps;
}

std::vector<double> RowsWithCancellingPairs(std::size_t vectors, std::size_t width) {
    const std::vector<float> noise = test::Noise(vectors * width, 5);
    std::vector<double> rows(noise.begin(), noise.end());
    for (std::size_t j = kPeriod; j < vectors; j += 23) {
        for (std::size_t s = 0; s < width; ++s) {
            rows[j * width + s] = 1e18f;
            rows[(j - kPeriod) * width + s] = -1e18f;
        }
    }
    return rows;
}

void ExpectKernelMatchesPlainSums(SimdLevel level, const KernelCall& call) {
    const PhaseSumKernel kernel = PhaseSumKernelFor(level, call.down);
    const std::size_t width = kernel.shape.width;
    const std::size_t vectors = kernel.shape.vectors;
    const std::size_t row = call.down - 1;
    const std::size_t slot = call.count / call.down + 1;  // the oldest input read is vector 0 or on
    const std::size_t newest = slot * call.down + row;
    const std::vector<double> taps = PeriodicTaps(call.count);
    const std::vector<double> rows =
        RowsWithCancellingPairs(newest + (vectors - 1) * call.down + 1, width);
    std::vector<float> out(width * vectors, 1e30f);
    kernel.sum(taps.data(), call.count, {rows.data(), call.down}, row, slot,
               {out.data(), 1, vectors});
    for (std::size_t v = 0; v < vectors; ++v) {
        for (std::size_t s = 0; s < width; ++s) {
            double sum = 0.0;
            for (std::size_t j = 0; j < call.count; ++j) {
                sum += taps[j] * rows[(newest + v * call.down - j) * width + s];
            }
            ASSERT_EQ(std::bit_cast<std::uint32_t>(out[v + s * vectors]),
                      std::bit_cast<std::uint32_t>(static_cast<float>(sum)))
                << SimdLevelName(level) << ", down " << call.down << ", " << call.count
                << " taps, vector " << v << ", stream " << s;
        }
    }
}

// Every down of the rate table (fixed when compiled) and two others (taken at run time), with
// phases shorter than, as long as and longer than the head start a kernel's shared loads need,
// and lengths that end anywhere within a down.
TEST(PhaseSums, EveryKernelMatchesThePlainSumsForAnyDownAndLength) {
    std::vector<std::size_t> downs(kDownFactors.values.begin(),
                                   kDownFactors.values.begin() + kDownFactors.count);
    downs.push_back(5);
    downs.push_back(1);
    for (const SimdLevel level : SupportedSimdLevels()) {
        const std::size_t headStart = PhaseSumKernelFor(level, 1).shape.sharing - 1;
        for (const std::size_t down : downs) {
            const std::size_t head = headStart * down;
            std::set<std::size_t> counts{
                1, 2, head + 1, head + 2, head + down - 1, head + down + 3, 4 * head + 5, 97, 1301};
            if (head > 1) {
                counts.insert({head - 1, head});
            }
            for (const std::size_t count : counts) {
                ExpectKernelMatchesPlainSums(level, {down, count});
            }
        }
    }
}

TEST(SimdLevels, BaselineIsAlwaysThereAndTheBestIsSupported) {
    const std::vector<SimdLevel> levels = SupportedSimdLevels();
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.front(), SimdLevel::Baseline);
    EXPECT_EQ(levels.back(), BestSimdLevel());
    for (const SimdLevel level : levels) {
        EXPECT_TRUE(IsSupported(level));
        EXPECT_EQ(kLaneUnit % PhaseSumKernelFor(level, 1).shape.lanes(), 0U)
            << SimdLevelName(level);
    }
}

TEST(WorkerTeam, EveryItemRunsOnceInEveryJob) {
    for (const unsigned threads : {1U, 2U, 4U}) {
        WorkerTeam team(threads);
        EXPECT_EQ(team.size(), threads);
        for (const std::size_t count : {0U, 1U, 2U, 3U, 17U, 1000U}) {
            for (int job = 0; job < 200; ++job) {
                std::vector<std::atomic<int>> runs(count);
                team.ForEach(count, [&](std::size_t item) { runs[item].fetch_add(1); });
                for (std::size_t i = 0; i < count; ++i) {
                    ASSERT_EQ(runs[i].load(), 1)
                        << threads << " threads, item " << i << " of " << count << ", job " << job;
                }
            }
        }
    }
}

TEST(WorkerTeam, OtherThreadsShareTheWork) {
    WorkerTeam team(2);
    // Items that wait until another thread has taken one can only finish if the work is shared.
    std::atomic<int> started{0};
    team.ForEach(2, [&](std::size_t) {
        started.fetch_add(1);
        while (started.load() < 2) {
        }
    });
    EXPECT_EQ(started.load(), 2);
}

// Each thread runs its own item, the caller 0, alternated with ForEach jobs: items that wait
// for all the others can only finish when every thread runs one at once.
TEST(WorkerTeam, OnEachRunsOneItemOnEveryThreadAtOnce) {
    for (const unsigned threads : {1U, 2U, 4U}) {
        WorkerTeam team(threads);
        for (int job = 0; job < 50; ++job) {
            std::vector<std::thread::id> ran(threads);
            std::atomic<unsigned> started{0};
            team.OnEach([&](std::size_t item) {
                ran[item] = std::this_thread::get_id();
                started.fetch_add(1);
                while (started.load() < threads) {
                }
            });
            std::set<std::thread::id> distinct(ran.begin(), ran.end());
            ASSERT_EQ(distinct.size(), threads) << threads << " threads, job " << job;
            ASSERT_EQ(ran[0], std::this_thread::get_id());
            team.ForEach(3, [](std::size_t) {});
        }
    }
}

// The team of 0 takes the processors this thread may run on (a CPU set such as taskset gives),
// shared among the conversions that run at once.
TEST(WorkerTeam, DefaultSizeIsTheShareOfTheCpusAvailable) {
    cpu_set_t all;
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    const unsigned cpus = AvailableCpus();
    EXPECT_LE(cpus, static_cast<unsigned>(CPU_COUNT(&all)));
    EXPECT_EQ(WorkerTeam::DefaultSize(), std::clamp(cpus, 1U, 16U));
    WorkerTeam::ShareCpusAmong(cpus);
    EXPECT_EQ(WorkerTeam(0).size(), 1U);
    WorkerTeam::ShareCpusAmong(1);

    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(AvailableCpus(), 1U);
    EXPECT_EQ(WorkerTeam(0).size(), 1U);
    ASSERT_EQ(::sched_setaffinity(0, sizeof all, &all), 0);
}

TEST(CpuBudget, QuotasInWholeProcessorsRoundedUp) {
    const struct {
        const char* text;
        unsigned cpus;
    } cases[] = {{"max 100000\n", 0},
                 {"200000 100000\n", 2},
                 {"150000 100000", 2},
                 {"50000 100000", 1},
                 {"-1 100000", 0},
                 {"100000 0", 0},
                 {"", 0},
                 {"12x 100000", 0},
                 {"400000 100000 x", 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(CpusOfQuota(c.text), c.cpus) << c.text;
    }
}

TEST(CpuBudget, GroupPathsOfTheCpuController) {
    const CgroupPaths unified = CpuCgroupPaths("0::/user.slice/session-2.scope\n");
    EXPECT_EQ(unified.unified, "/user.slice/session-2.scope");
    EXPECT_EQ(unified.cpu, "");
    const CgroupPaths split = CpuCgroupPaths(
        "12:memory:/m\n4:cpu,cpuacct:/docker/abc\n3:cpuset:/s\n1:name=systemd:/x\n0::/\n");
    EXPECT_EQ(split.cpu, "/docker/abc");
    EXPECT_EQ(split.unified, "/");
    EXPECT_EQ(CpuCgroupPaths("garbage\n2:cpuacct:/a\n").cpu, "");
}

}  // namespace
}  // namespace sonaro
