// Writes the fuzzers' seed corpus: valid files of every kind the reader accepts and one file of
// each shape it refuses, and what a decoder process sends back for a copied, a decoded and a
// refused file (after the byte that chooses how the reply fuzzer cuts it into reads).
// Usage: sonaro-make-corpus DIRECTORY
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "import/decoder/reply_writer.h"
#include "tests/support/wav_builder.h"

namespace {

using sonaro::test::WavSpec;

std::vector<std::uint8_t> Ramp(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 37U + 11U);
    }
    return bytes;
}

std::vector<std::pair<std::string, WavSpec>> ValidSeeds() {
    std::vector<std::pair<std::string, WavSpec>> seeds;
    for (const std::uint32_t rate : {8000U, 11025U, 16000U, 22050U, 44100U, 48000U}) {
        for (const std::uint16_t channels : {1, 2}) {
            for (const std::uint16_t bits : {8, 16}) {
                const std::string name = "pcm-" + std::to_string(rate) + "-" +
                                         std::to_string(channels) + "ch-" + std::to_string(bits);
                seeds.emplace_back(name, sonaro::test::PcmSpec(rate, channels, bits, Ramp(96)));
            }
        }
    }
    seeds.emplace_back("adpcm-mono", sonaro::test::AdpcmSpec(22050, 1, 256, 500, Ramp(300)));
    seeds.emplace_back("adpcm-stereo", sonaro::test::AdpcmSpec(44100, 2, 512, 500, Ramp(600)));
    seeds.emplace_back("adpcm-tiny", sonaro::test::AdpcmSpec(8000, 1, 7, 2, Ramp(7)));
    seeds.emplace_back("voxware", sonaro::test::VoxwareSpec(Ramp(27 * 3 + 5)));
    return seeds;
}

std::vector<std::pair<std::string, WavSpec>> RefusedSeeds() {
    std::vector<std::pair<std::string, WavSpec>> seeds;
    auto add = [&seeds](const std::string& name, auto change) {
        WavSpec spec = sonaro::test::PcmSpec(22050, 2, 16, Ramp(64));
        change(spec);
        seeds.emplace_back(name, spec);
    };
    add("bad-riff", [](WavSpec& s) { s.riff = "RIFX"; });
    add("bad-wave", [](WavSpec& s) { s.wave = "WAVF"; });
    add("bad-fmt", [](WavSpec& s) { s.fmt = "fmt_"; });
    add("fmt-size-15", [](WavSpec& s) { s.fmtSize = 15; });
    add("fmt-size-huge", [](WavSpec& s) { s.fmtSize = 0xFFFFFFF0U; });
    add("tag-alaw", [](WavSpec& s) { s.tag = 6; });
    add("channels-0", [](WavSpec& s) { s.channels = 0; });
    add("channels-3", [](WavSpec& s) { s.channels = 3; });
    add("rate-0", [](WavSpec& s) { s.rate = 0; });
    add("rate-odd", [](WavSpec& s) { s.rate = 44000; });
    add("bits-12", [](WavSpec& s) { s.bits = 12; });
    add("block-align-0", [](WavSpec& s) { s.blockAlign = 0; });
    add("avg-bytes-0", [](WavSpec& s) { s.avgBytes = 0; });
    add("fact-chunk", [](WavSpec& s) { s.fact = true; });
    add("extra-chunk",
        [](WavSpec& s) { s.extraChunk = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 1, 2, 3}; });
    add("no-data-id", [](WavSpec& s) { s.dataId = "dat_"; });
    add("data-size-0", [](WavSpec& s) { s.dataSize = 0; });
    add("data-size-4g", [](WavSpec& s) { s.dataSize = 0xFFFFFFFFU; });
    return seeds;
}

// A decoder's reply, made by its own writer, after the byte that chooses the reads.
std::vector<std::uint8_t> Reply(std::uint8_t piece,
                                const std::function<void(sonaro::ReplyWriter&)>& make) {
    std::vector<std::uint8_t> bytes{piece};
    sonaro::ReplyWriter writer([&bytes](const std::uint8_t* record, std::size_t size) {
        bytes.insert(bytes.end(), record, record + size);
    });
    make(writer);
    return bytes;
}

std::vector<std::pair<std::string, std::vector<std::uint8_t>>> ReplySeeds() {
    using sonaro::SampleKind;
    const std::vector<std::int16_t> integers = {0, 1000, -1000, 32767, -32768, 7, -7, 300};
    const std::vector<float> floats = {0.0F, 0.5F, -0.25F, 1e-3F, -1.0F, 0.75F};
    return {
        {"reply-copied", Reply(7,
                               [&](sonaro::ReplyWriter& w) {
                                   w.Sound({2, 44100, SampleKind::Int16, 4});
                                   w.Samples(0.5, integers.data(), 16);
                                   w.End();
                               })},
        {"reply-decoded", Reply(3,
                                [&](sonaro::ReplyWriter& w) {
                                    w.Sound({6, 96000, SampleKind::Other, -1});
                                    w.Samples(1.0, floats.data(), 24);
                                    w.End();
                                })},
        {"reply-refused", Reply(1, [](sonaro::ReplyWriter& w) { w.Failure("Not a sound."); })},
    };
}

}  // namespace

static bool WriteSeed(const std::filesystem::path& directory, const std::string& name,
                      const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(directory / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::cerr << "sonaro-make-corpus: cannot write " << name << "\n";
    }
    return static_cast<bool>(out);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: sonaro-make-corpus DIRECTORY\n";
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::filesystem::create_directories(directory);
    auto seeds = ValidSeeds();
    const auto refused = RefusedSeeds();
    seeds.insert(seeds.end(), refused.begin(), refused.end());
    for (const auto& [name, spec] : seeds) {
        if (!WriteSeed(directory, name + ".wav", spec.Build())) {
            return 1;
        }
    }
    const auto replies = ReplySeeds();
    for (const auto& [name, bytes] : replies) {
        if (!WriteSeed(directory, name, bytes)) {
            return 1;
        }
    }
    std::cout << seeds.size() + replies.size() << " seed files in " << directory.string() << "\n";
    return 0;
}
