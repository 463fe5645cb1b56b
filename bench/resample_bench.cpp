// Times the resampling stage alone on a generated mono float file.
//
//   sonaro-bench-resample [SECONDS [RATE...]]     (default: 600 s at 44100, 48000, 22050, 11025)
//
// Prints per rate the median of five runs and the outputs per second. The input file is written
// once per rate to $TMPDIR (else /tmp) and removed after.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "convert/file.h"
#include "convert/resampler.h"

namespace {

class NullProgress final : public sonaro::ProgressPort {
  public:
    bool BeginModal(const std::string&, bool) override { return true; }
    int SetBarRange(int, int, int) override { return 0; }
    int SetBarPos(int) override { return 0; }
    void SetMessage(const std::string&) override {}
    void Layout(int, int) override {}
    void PumpWaitingMessages(bool) override {}
    bool IsCancelled() const override { return false; }
};

class PrintedMessages final : public sonaro::MessagePort {
  public:
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

void WriteNoise(const std::string& path, std::uint32_t count) {
    sonaro::File file(path, sonaro::File::Mode::Write);
    std::mt19937 random(1);
    std::uniform_real_distribution<float> value(-20000.0f, 20000.0f);
    std::vector<float> block(1 << 16);
    for (std::uint32_t done = 0; done < count;) {
        const auto n =
            static_cast<std::uint32_t>(std::min<std::size_t>(block.size(), count - done));
        for (std::uint32_t i = 0; i < n; ++i) {
            block[i] = value(random);
        }
        file.Write(block.data(), n * sizeof(float));
        done += n;
    }
    file.Close();
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 600.0;
    std::vector<std::uint32_t> rates;
    for (int i = 2; i < argc; ++i) {
        rates.push_back(static_cast<std::uint32_t>(std::atoi(argv[i])));
    }
    if (rates.empty()) {
        rates = {44100, 48000, 22050, 11025};
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    const std::string input = dir + "/sonaro-bench-resample.in";
    const std::string output = dir + "/sonaro-bench-resample.out";
    NullProgress progress;
    PrintedMessages messages;
    sonaro::StageContext context{progress, messages};
    for (const std::uint32_t rate : rates) {
        const auto count = static_cast<std::uint32_t>(seconds * rate);
        std::vector<double> times;
        std::uint32_t outputs = 0;
        for (int run = 0; run < 5; ++run) {
            WriteNoise(input, count);  // the stage removes its input
            const auto start = std::chrono::steady_clock::now();
            if (!sonaro::Resample(context, output, input, count, outputs, rate)) {
                return 1;
            }
            times.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        std::remove(output.c_str());
        std::sort(times.begin(), times.end());
        const double median = times[2];
        std::printf("%6u Hz, %.0f s: %.3f s median, %.1f M outputs/s\n", rate, seconds, median,
                    outputs / median / 1e6);
    }
    return 0;
}
