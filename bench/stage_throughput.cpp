// Times the stages (decoding, down-mix, resampling, normalisation, A-law writing) one after the
// other on generated input, and counts how often each pumped the progress window. Wall time, and
// the processor time of all threads in user and system mode, per stage.
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

class PrintedMessages final : public MessagePort {
  public:
    void ShowMessage(const std::string& text) override {
        std::printf("message: %s\n", text.c_str());
    }
};

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

template <typename Stage>
void Time(const char* name, test::ScriptedProgress& progress, double seconds, Stage&& stage) {
    progress = test::ScriptedProgress();
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = stage();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    std::printf("%-18s %7.3f s wall %7.3f s user %7.3f s sys %7.0fx real time %4d pumps%s\n", name,
                took.count(), Seconds(after.ru_utime) - Seconds(before.ru_utime),
                Seconds(after.ru_stime) - Seconds(before.ru_stime), seconds / took.count(),
                progress.pumps, ok ? "" : "  FAILED");
}

void WriteBytes(const std::string& path, const void* data, std::size_t size) {
    std::ofstream(path, std::ios::binary)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Blocks of 2048 bytes with random codes and valid predictors.
AdpcmSource MakeAdpcm(const std::string& path, std::uint32_t rate, std::uint8_t channels,
                      double seconds) {
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
    return {path, 0, static_cast<std::uint32_t>(adpcm.size()), {channels, kBlockAlign, frames}};
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
    test::ScriptedProgress progress;
    PrintedMessages messages;
    StageContext context{progress, messages};
    std::printf("%s, %u Hz, %u channel(s), %.0f s\n", adpcm ? "Microsoft ADPCM" : "16-bit PCM",
                rate, channels, seconds);

    // Each stage's share of the bar is the whole bar: the pumps are those of a stage alone.
    constexpr BarShare kBar{0, 100};
    std::uint32_t frames = 0;
    std::string pcm = dir + "/in.pcm";
    if (adpcm) {
        const AdpcmSource source = MakeAdpcm(dir + "/in.adpcm", rate, channels, seconds);
        pcm = dir + "/SN_3";
        Time("AdpcmToPcm16", progress, seconds,
             [&] { return AdpcmToPcm16(context, kBar, source, pcm, frames); });
    } else {
        frames = MakePcm(pcm, rate, channels, seconds);
    }
    Time("PcmToMonoFloats", progress, seconds, [&] {
        return PcmToMonoFloats(context, kBar, {pcm, 0, channels, 16}, dir + "/SN_1", frames);
    });

    std::uint32_t count = 0;
    Time("MonoFloatsTo8000Hz", progress, seconds, [&] {
        return MonoFloatsTo8000Hz(context, kBar, dir + "/SN_2", dir + "/SN_1", frames, count, rate);
    });
    Time("FloatsToALaw", progress, seconds, [&] {
        return FloatsToALaw(context, {kBar, kBar}, dir + "/SN_1", dir + "/SN_2", count, 10);
    });
    Time("ALawToWaveFile", progress, seconds,
         [&] { return ALawToWaveFile(context, kBar, dir + "/SN_2", dir + "/SN_1"); });

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory %ld kB (the generated inputs included)\n", usage.ru_maxrss);
    std::filesystem::remove_all(dir);
    return 0;
}
