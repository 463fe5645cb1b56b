// Arbitrary bytes taken as what a decoder process sent back, cut into reads as the first byte
// says: the reader in the programs and the writer of the imported WAV file must refuse them or
// take them, never crash, hang or read uninitialised memory, and a file they complete must be a
// whole PCM WAV file whose header tells its length.
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "convert/formats/little_endian.h"
#include "import/decoder_reply_reader.h"
#include "import/decoder_stopped.h"
#include "import/import_failure.h"
#include "import/imported_wave.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/scripted_progress.h"

namespace {

// The file is as long as its header says: 44 bytes, the data, a pad byte for odd data.
void CheckComplete(const std::string& path) {
    const auto bytes = sonaro::test::ReadAll(path);
    if (bytes.size() < 44) {
        std::abort();
    }
    const std::uint32_t data = sonaro::LoadLE32(&bytes[40]);
    if (bytes.size() != 44 + std::uint64_t{data} + data % 2 ||
        sonaro::LoadLE32(&bytes[4]) != bytes.size() - 8) {
        std::abort();
    }
}

// Feeds the bytes in reads of `piece` bytes; answers whether they made a complete file.
bool Take(const std::uint8_t* data, std::size_t size, std::size_t piece,
          const std::string& target) {
    sonaro::DecoderReplyReader reader(sonaro::DecoderReplyReader::Asked::Sound);
    std::optional<sonaro::ImportedWave> wave;
    sonaro::test::ScriptedProgress progress;
    sonaro::ProgressReporter reporter(progress);
    for (std::size_t at = 0; at < size; at += piece) {
        reader.Append(data + at, std::min(piece, size - at));
        sonaro::DecoderReply reply;
        while (reader.Next(reply)) {
            switch (reply.type) {
                case sonaro::decoder::RecordType::Sound:
                    wave.emplace(reply.source, reader.plan(), target);
                    break;
                case sonaro::decoder::RecordType::Samples:
                    wave->Add(reply.samples, reply.sampleBytes);
                    wave->Position(reply.progress);
                    break;
                case sonaro::decoder::RecordType::End:
                    return wave->Finish(reporter);
                default:
                    return false;
            }
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const std::string target = sonaro::fuzz::ScratchPath("out.wav");
    const std::size_t piece = 1 + data[0] % 64U;
    try {
        if (Take(data + 1, size - 1, piece, target)) {
            CheckComplete(target);
        }
    } catch (const sonaro::DecoderStopped&) {
    } catch (const sonaro::ImportFailure&) {
    } catch (const sonaro::FileException&) {
    }
    std::remove(target.c_str());
    return 0;
}
