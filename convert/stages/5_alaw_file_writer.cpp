#include "convert/stages/5_alaw_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "convert/formats/little_endian.h"
#include "convert/formats/wave_format.h"
#include "convert/stages/stage_work.h"

namespace sonaro {
namespace {

constexpr std::uint64_t kBlockBytes = 8000;
// The codes are read and written this many blocks at a time.
constexpr std::uint64_t kBlocksPerTransfer = 32;
constexpr std::uint32_t kRate = 8000;
constexpr std::uint8_t kALawSilence = 0xD5;
// The RIFF size counts the file after its first 8 bytes.
constexpr std::uint32_t kRiffOverhead = kALawHeaderSize - 8;

void PutId(std::uint8_t* at, const char* id) {
    std::memcpy(at, id, 4);
}

}  // namespace

std::array<std::uint8_t, kALawHeaderSize> ALawHeader(std::uint32_t samples) {
    std::array<std::uint8_t, kALawHeaderSize> header{};
    std::uint8_t* p = header.data();
    PutId(p + 0, "RIFF");
    StoreLE32(p + 4, samples + kRiffOverhead);
    PutId(p + 8, "WAVE");
    PutId(p + 12, "fmt ");
    StoreLE32(p + 16, 18);
    StoreLE16(p + 20, WAVE_FORMAT_ALAW);
    StoreLE16(p + 22, 1);      // channels
    StoreLE32(p + 24, kRate);  // samples per second
    StoreLE32(p + 28, kRate);  // bytes per second
    StoreLE16(p + 32, 1);      // block align
    StoreLE16(p + 34, 8);      // bits per sample
    StoreLE16(p + 36, 0);      // extra format bytes
    PutId(p + 38, "fact");
    StoreLE32(p + 42, 4);
    StoreLE32(p + 46, samples);
    PutId(p + 50, "data");
    StoreLE32(p + 54, samples);
    return header;
}

Outcome<std::uint32_t> ALawFileWriter::Run(const StageCall& call, ProgressPort& progress) const {
    StageWork stage(call, progress);
    return stage.Run([&]() -> StageWork::Count {
        stage.input().Open(call.input.path);
        stage.output().Open(call.output);
        const std::uint64_t length = stage.input().Length();
        if (length > std::numeric_limits<std::uint32_t>::max() - kRiffOverhead) {
            // The header's sizes could not describe it.
            throw FileException(FileException::invalidFile, EFBIG, call.input.path);
        }
        const auto transfer =
            static_cast<std::size_t>(std::min(length, kBlockBytes * kBlocksPerTransfer));
        stage.output().Reserve(kALawHeaderSize + transfer);
        stage.input().Reserve(length, transfer, kALawSilence);
        const auto header = ALawHeader(static_cast<std::uint32_t>(length));
        stage.output().Append(header.data(), header.size());

        const std::uint64_t blocks = BlockCount(length, kBlockBytes);
        for (std::uint64_t d = 0; d < blocks; ++d) {
            const auto size =
                static_cast<std::size_t>(std::min(length - d * kBlockBytes, kBlockBytes));
            stage.output().Append(stage.input().Next(size), size);
            if (stage.Cancelled(d, blocks)) {
                return std::nullopt;
            }
        }
        stage.Finish();
        return static_cast<std::uint32_t>(length);
    });
}

}  // namespace sonaro
