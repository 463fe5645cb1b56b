// Arbitrary bytes read as a WAV file and, when the reader accepts them as Microsoft ADPCM,
// decoded by the decoding stage: it must succeed with exactly the frames it hands back, or fail
// with a failure that has words to show, and never crash or read uninitialised memory.
#include <cstdlib>
#include <filesystem>

#include "convert/codecs/no_codec_manager.h"
#include "convert/formats/wave_format.h"
#include "convert/operations/wave_reader.h"
#include "convert/stages/1_adpcm_decoder.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/scripted_progress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = sonaro::fuzz::WriteInput(data, size);
    sonaro::NoCodecManager codecs;
    const sonaro::Outcome<sonaro::SoundDescription> opened = sonaro::WaveReader(codecs).Read(path);
    if (!opened || opened->format.formatTag != sonaro::WAVE_FORMAT_ADPCM) {
        return 0;
    }
    const sonaro::SoundDescription& sound = *opened;
    const sonaro::AdpcmDecoder decoder({static_cast<std::uint8_t>(sound.format.channels),
                                        sound.format.blockAlign, sound.samplesPerBlock});
    sonaro::test::ScriptedProgress progress;
    const std::string output = path + ".pcm";
    const sonaro::Outcome<std::uint32_t> frames =
        decoder.Run({{path, sound.dataOffset, sound.dataSize}, output, {0, 3}}, progress);
    if (!frames && frames.failure().Text().empty()) {
        std::abort();
    }
    if (frames &&
        std::filesystem::file_size(output) != std::uint64_t{*frames} * sound.format.channels * 2) {
        std::abort();
    }
    return 0;
}
