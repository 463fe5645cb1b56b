// The least time a conversion by sonaro-convert can take on this machine, for bench/run.sh's
// column "floor": the multiply-adds of its filter at the measured limit of the widest vectors
// (on as many threads as the resampler would use), plus the measured cost of writing, reading and
// removing its temporary files through the page cache. Each SPEC is one input file,
// RATE:CHANNELS:FRAMES:ENCODING (pcm or adpcm); with --jobs N the files are converted N at a
// time, as sonaro-convert --jobs N does. Prints the floor in seconds; --verbose also its parts.
// Usage: sonaro-bench-floor [--jobs N] [--verbose] SPEC...
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/conversion_work.h"
#include "bench/fma_limit.h"
#include "convert/resampler/cpu_budget.h"
#include "convert/resampler/filter_tables.h"
#include "convert/resampler/rate_table.h"
#include "convert/resampler/worker_team.h"
#include "convert/stages/3_resampler.h"

namespace {

using namespace sonaro;
using Clock = std::chrono::steady_clock;

// Seconds per byte of moving a file through the page cache, the best of a few tries: written in
// pieces of 1 MiB and removed, or read back while it is cached.
struct PageCacheCost {
    double write;
    double read;
};

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

PageCacheCost MeasurePageCache() {
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    constexpr std::size_t kPieces = 64;
    const char* base = std::getenv("TMPDIR");
    std::string path =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/sonaro-floor-XXXXXX";
    std::vector<char> piece(kPiece, 1);
    PageCacheCost best{1.0, 1.0};
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string name = path;
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            throw std::runtime_error("cannot make a file in " + path);
        }
        auto start = Clock::now();
        for (std::size_t i = 0; i < kPieces; ++i) {
            if (::write(fd, piece.data(), kPiece) != static_cast<ssize_t>(kPiece)) {
                throw std::runtime_error("cannot write " + name);
            }
        }
        const double written = Since(start);
        start = Clock::now();
        ::lseek(fd, 0, SEEK_SET);
        for (std::size_t i = 0; i < kPieces; ++i) {
            if (::read(fd, piece.data(), kPiece) != static_cast<ssize_t>(kPiece)) {
                throw std::runtime_error("cannot read " + name);
            }
        }
        const double read = Since(start);
        start = Clock::now();
        ::close(fd);
        ::unlink(name.c_str());
        const double bytes = static_cast<double>(kPiece * kPieces);
        best.write = std::min(best.write, (written + Since(start)) / bytes);
        best.read = std::min(best.read, read / bytes);
    }
    return best;
}

// The best of a few measurements of the multiply-adds per second of that many threads.
double FmaLimit(unsigned threads) {
    static std::map<unsigned, double> measured;
    double& limit = measured[threads];
    for (int attempt = 0; limit == 0 || attempt < 3; ++attempt) {
        limit = std::max(limit, bench::MeasureFmaLimit(BestSimdLevel(), threads));
    }
    return limit;
}

struct Floor {
    double sums = 0;   // seconds
    double files = 0;  // seconds
};

Floor FloorOf(const bench::InputSpec& input, unsigned parallel, const PageCacheCost& cost) {
    const bench::ConversionWork work = bench::WorkOf(input);
    Floor floor;
    if (work.multiplyAdds > 0) {
        // 0: the team's share of the processors.
        const unsigned asked =
            ResamplerThreads(static_cast<std::uint32_t>(input.frames), input.rate, 0);
        const unsigned threads = asked != 0 ? asked : WorkerTeam::DefaultSize();
        // Files converted side by side share the processors' limit.
        floor.sums =
            static_cast<double>(work.multiplyAdds) / (FmaLimit(threads * parallel) / parallel);
    }
    floor.files = static_cast<double>(work.bytesWritten) * cost.write +
                  static_cast<double>(work.bytesRead) * cost.read;
    return floor;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned jobs = 1;
    bool verbose = false;
    std::vector<bench::InputSpec> inputs;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--jobs" && i + 1 < argc) {
                jobs = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
            } else if (arg == "--verbose") {
                verbose = true;
            } else {
                inputs.push_back(bench::ParseInputSpec(arg));
            }
        }
        if (inputs.empty()) {
            std::fprintf(stderr,
                         "usage: sonaro-bench-floor [--jobs N] [--verbose] "
                         "RATE:CHANNELS:FRAMES:ENCODING...\n");
            return 2;
        }
        WorkerTeam::ShareCpusAmong(jobs);
        const unsigned parallel =
            std::min<unsigned>({jobs, AvailableCpus(), static_cast<unsigned>(inputs.size())});
        const PageCacheCost cost = MeasurePageCache();
        Floor total;
        for (const bench::InputSpec& input : inputs) {
            const Floor floor = FloorOf(input, parallel, cost);
            total.sums += floor.sums / parallel;
            total.files += floor.files / parallel;
        }
        if (verbose) {
            std::fprintf(stderr,
                         "floor: sums %.3f s, files %.3f s (page cache: write %.2f GB/s, "
                         "read %.2f GB/s)\n",
                         total.sums, total.files, 1e-9 / cost.write, 1e-9 / cost.read);
        }
        std::printf("%.3f\n", total.sums + total.files);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sonaro-bench-floor: %s\n", error.what());
        return 1;
    }
    return 0;
}
