// Arbitrary bytes read as a WAV file and, when the reader accepts them as Microsoft ADPCM,
// decoded by the decoding stage: it must succeed silently with exactly the frames it announces,
// or fail with exactly one message, and never crash or read uninitialised memory.
#include <cstdlib>
#include <filesystem>

#include "convert/codecs/no_codec_manager.h"
#include "convert/formats/wave_format.h"
#include "convert/stages/1_adpcm_decoder.h"
#include "convert/operations/wave_reader.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/fake_user.h"
#include "tests/support/scripted_progress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = sonaro::fuzz::WriteInput(data, size);
    sonaro::FormatRecord record;
    sonaro::NoCodecManager codecs;
    try {
        if (sonaro::WaveReader(record, codecs).Read(path) != 0 ||
            record.formatTag != sonaro::WAVE_FORMAT_ADPCM) {
            return 0;
        }
    } catch (const sonaro::FileException&) {
        return 0;
    }
    const sonaro::AdpcmSource source{path,
                                     record.dataOffset,
                                     record.dataSize,
                                     {record.channels, record.blockAlign, record.samplesPerBlock}};
    sonaro::test::FakeUser user;
    sonaro::test::ScriptedProgress progress;
    sonaro::StageContext context{progress, user};
    const std::string output = path + ".pcm";
    std::uint32_t frames = 0;
    const bool decoded = sonaro::AdpcmToPcm16(context, {0, 3}, source, output, frames);
    if (user.messages.size() != (decoded ? 0U : 1U)) {
        std::abort();
    }
    if (decoded &&
        std::filesystem::file_size(output) != std::uint64_t{frames} * record.channels * 2) {
        std::abort();
    }
    return 0;
}
