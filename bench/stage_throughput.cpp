// Times the stages (decoding, down-mix, resampling, normalisation, A-law writing) one after the
// other on ten minutes of generated 44100 Hz stereo ADPCM, and counts how often each pumped the
// progress window.
// Usage: sonaro-bench-stages [SECONDS]
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

template <typename Stage>
void Time(const char* name, test::ScriptedProgress& progress, double seconds, Stage&& stage) {
    progress = test::ScriptedProgress();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = stage();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%-18s %7.3f s  %6.0fx real time  %3d pumps%s\n", name, took.count(),
                seconds / took.count(), progress.pumps, ok ? "" : "  FAILED");
}

void WriteBytes(const std::string& path, const void* data, std::size_t size) {
    std::ofstream(path, std::ios::binary)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 600.0;
    std::string pattern = std::filesystem::temp_directory_path().string() + "/sonaro-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    const std::string dir = pattern;
    test::ScriptedProgress progress;
    PrintedMessages messages;
    StageContext context{progress, messages};

    // Stereo blocks of 2048 bytes hold 2036 frames; random codes, valid predictors.
    constexpr std::uint16_t kBlockAlign = 2048;
    const auto blocks = static_cast<std::size_t>(seconds * 44100 / 2036);
    std::vector<std::uint8_t> adpcm(blocks * kBlockAlign);
    std::mt19937 random(1);
    for (std::size_t i = 0; i < adpcm.size(); ++i) {
        adpcm[i] = static_cast<std::uint8_t>(i % kBlockAlign < 2 ? random() % 7 : random());
    }
    WriteBytes(dir + "/in.adpcm", adpcm.data(), adpcm.size());
    adpcm = {};

    std::uint32_t frames = 0;
    const AdpcmSource source{dir + "/in.adpcm",
                             0,
                             static_cast<std::uint32_t>(blocks * kBlockAlign),
                             {2, kBlockAlign, 2036}};
    // Each stage's share of the bar is the whole bar: the pumps are those of a stage alone.
    constexpr BarShare kBar{0, 100};
    Time("AdpcmToPcm16", progress, seconds,
         [&] { return AdpcmToPcm16(context, kBar, source, dir + "/SN_3", frames); });
    Time("PcmToMonoFloats", progress, seconds, [&] {
        return PcmToMonoFloats(context, kBar, {dir + "/SN_3", 0, 2, 16}, dir + "/SN_1", frames);
    });

    std::uint32_t count = 0;
    Time("MonoFloatsTo8000Hz", progress, seconds, [&] {
        return MonoFloatsTo8000Hz(context, kBar, dir + "/SN_2", dir + "/SN_1", frames, count,
                                  44100);
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
