// Times the stages (decoding, down-mix, resampling, normalisation, A-law writing) one after the
// other on generated input, and counts how often each reported its progress. Wall time, and the
// processor time of all threads in user and system mode, per stage.
// Usage: sonaro-bench-stages [adpcm|pcm] [RATE] [CHANNELS] [SECONDS]
//   default: adpcm 44100 2 600 (ten minutes of stereo Microsoft ADPCM); pcm is 16-bit PCM.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "convert/stages/1_adpcm_decoder.h"
#include "convert/stages/2_mono_mixer.h"
#include "convert/stages/3_resampler.h"
#include "convert/stages/4_normaliser.h"
#include "convert/stages/5_alaw_file_writer.h"
#include "tests/support/scripted_progress.h"

namespace {

using namespace sonaro;

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

// Runs the stage and prints its times; answers the count it handed back (0 when it failed).
std::uint32_t Time(const char* name, double seconds, const Stage& stage, const StageCall& call) {
    test::ScriptedProgress progress;
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    const Outcome<std::uint32_t> outcome = stage.Run(call, progress);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    std::printf("%-14s %7.3f s wall %7.3f s user %7.3f s sys %7.0fx real time %4d reports%s%s\n",
                name, took.count(), Seconds(after.ru_utime) - Seconds(before.ru_utime),
                Seconds(after.ru_stime) - Seconds(before.ru_stime), seconds / took.count(),
                progress.reports,
                outcome ? "" : "  FAILED: ", outcome ? "" : outcome.failure().Text().c_str());
    return outcome ? *outcome : 0;
}

void WriteBytes(const std::string& path, const void* data, std::size_t size) {
    std::ofstream(path, std::ios::binary)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Blocks of 2048 bytes with random codes and valid predictors; answers their geometry and sets
// bytes to their length.
AdpcmGeometry MakeAdpcm(const std::string& path, std::uint32_t rate, std::uint8_t channels,
                        double seconds, std::uint32_t& bytes) {
    constexpr std::uint16_t kBlockAlign = 2048;
    const auto frames =
        static_cast<std::uint16_t>(AdpcmGeometry::FramesInBlock(kBlockAlign, channels));
    const auto blocks = static_cast<std::size_t>(seconds * rate / frames);
    std::vector<std::uint8_t> adpcm(blocks * kBlockAlign);
    std::mt19937 random(1);
    for (std::size_t i = 0; i < adpcm.size(); ++i) {
        adpcm[i] = static_cast<std::uint8_t>(i % kBlockAlign < channels ? random() % 7 : random());
    }
    WriteBytes(path, adpcm.data(), adpcm.size());
    bytes = static_cast<std::uint32_t>(adpcm.size());
    return {channels, kBlockAlign, frames};
}

// Brown noise: a random walk, so that the sound has the weight of real sound at low frequencies.
std::uint32_t MakePcm(const std::string& path, std::uint32_t rate, std::uint8_t channels,
                      double seconds) {
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    std::vector<std::int16_t> samples(std::size_t{frames} * channels);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> step(-300, 300);
    int walk = 0;
    for (std::int16_t& sample : samples) {
        walk = std::clamp(walk + step(random), -30000, 30000);
        sample = static_cast<std::int16_t>(walk);
    }
    WriteBytes(path, samples.data(), samples.size() * sizeof(std::int16_t));
    return frames;
}

}  // namespace

int main(int argc, char** argv) {
    const bool adpcm = argc <= 1 || std::strcmp(argv[1], "pcm") != 0;
    const auto rate = static_cast<std::uint32_t>(argc > 2 ? std::atoi(argv[2]) : 44100);
    const auto channels = static_cast<std::uint8_t>(argc > 3 ? std::atoi(argv[3]) : 2);
    const double seconds = argc > 4 ? std::atof(argv[4]) : 600.0;
    std::string pattern = std::filesystem::temp_directory_path().string() + "/sonaro-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    const std::string dir = pattern;
    std::printf("%s, %u Hz, %u channel(s), %.0f s\n", adpcm ? "Microsoft ADPCM" : "16-bit PCM",
                rate, channels, seconds);

    // Each stage's share of the bar is the whole bar: the reports are those of a stage alone. The
    // files are passed on and removed as a conversion does it.
    constexpr BarShare kBar{0, 100};
    std::uint32_t frames = 0;
    std::string pcm = dir + "/in.pcm";
    if (adpcm) {
        std::uint32_t bytes = 0;
        const AdpcmGeometry geometry = MakeAdpcm(dir + "/in.adpcm", rate, channels, seconds, bytes);
        pcm = dir + "/SN_3";
        frames = Time("AdpcmDecoder", seconds, AdpcmDecoder(geometry),
                      {{dir + "/in.adpcm", 0, bytes}, pcm, kBar});
    } else {
        frames = MakePcm(pcm, rate, channels, seconds);
    }
    frames = Time("MonoMixer", seconds, MonoMixer(channels, 16),
                  {{pcm, 0, frames, adpcm}, dir + "/SN_1", kBar});
    const std::uint32_t count = Time("Resampler", seconds, Resampler(rate),
                                     {{dir + "/SN_1", 0, frames, true}, dir + "/SN_2", kBar});
    Time("Normaliser", seconds, Normaliser(10),
         {{dir + "/SN_2", 0, count, true}, dir + "/SN_1", kBar});
    Time("ALawFileWriter", seconds, ALawFileWriter(),
         {{dir + "/SN_1", 0, count, true}, dir + "/SN_2", kBar});

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory %ld kB (the generated inputs included)\n", usage.ru_maxrss);
    std::filesystem::remove_all(dir);
    return 0;
}
