#include "document/wave_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "convert/formats/adpcm_geometry.h"
#include "convert/formats/little_endian.h"
#include "convert/resampler/rate_table.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

// A refusal ends the reading at the step that decides it.
struct Refusal {
    unsigned message;
};

[[noreturn]] void Refuse(unsigned message) {
    throw Refusal{message};
}

}  // namespace

unsigned WaveReader::Read(const std::string& path) {
    file_.Open(path, File::Mode::Read);
    try {
        ReadRiffHeader();
        ReadFormatTag();
        ReadFormatFields();
        switch (record_.formatTag) {
            case WAVE_FORMAT_PCM:
                ReadPcmTail();
                break;
            case WAVE_FORMAT_ADPCM:
                ReadAdpcmTail();
                break;
            default:
                ReadVoxwareTail();
                break;
        }
        ReadDataHeader();
        StoreSizes();
    } catch (const Refusal& refusal) {
        return refusal.message;
    }
    return 0;
}

std::uint16_t WaveReader::ReadU16() {
    std::uint8_t bytes[2];
    if (file_.Read(bytes, sizeof bytes) != sizeof bytes) {
        Refuse(IDS_CANNOT_READ_FILE);
    }
    return LoadLE16(bytes);
}

std::uint32_t WaveReader::ReadU32() {
    std::uint8_t bytes[4];
    if (file_.Read(bytes, sizeof bytes) != sizeof bytes) {
        Refuse(IDS_CANNOT_READ_FILE);
    }
    return LoadLE32(bytes);
}

WaveReader::ChunkId WaveReader::ReadId() {
    ChunkId id{};
    if (file_.Read(id.data(), id.size()) != id.size()) {
        Refuse(IDS_CANNOT_READ_FILE);
    }
    return id;
}

bool WaveReader::ReadId(const char (&expected)[5]) {
    return IsId(ReadId(), expected);
}

bool WaveReader::IsId(const ChunkId& id, const char (&expected)[5]) {
    return std::memcmp(id.data(), expected, id.size()) == 0;
}

// Moving forward past the end of the file succeeds; the next read then comes back short.
void WaveReader::Skip(std::uint32_t bytes) {
    try {
        file_.Seek(bytes, File::SeekFrom::Current);
    } catch (const FileException&) {
        Refuse(IDS_CANNOT_READ_FILE);
    }
}

void WaveReader::ReadRiffHeader() {
    if (!ReadId("RIFF")) {
        Refuse(IDS_NOT_RIFF);
    }
    ReadU32();  // the RIFF size is not used
    if (!ReadId("WAVE")) {
        Refuse(IDS_NOT_WAVE);
    }
    if (!ReadId("fmt ")) {
        Refuse(IDS_NO_FMT);
    }
    formatSize_ = ReadU32();
    if (formatSize_ < 16) {
        Refuse(IDS_CANNOT_READ_FILE);
    }
}

void WaveReader::ReadFormatTag() {
    const std::uint16_t tag = ReadU16();
    switch (tag) {
        case WAVE_FORMAT_PCM:
            record_.formatName = "PCM";
            break;
        case WAVE_FORMAT_ADPCM:
            record_.formatName = "ADPCM";
            break;
        case WAVE_FORMAT_VOXWARE:
            record_.formatName = "Voxware";
            break;
        case WAVE_FORMAT_ALAW:
            break;
        case WAVE_FORMAT_MULAW:
            Refuse(IDS_MULAW);
        case WAVE_FORMAT_OKI_ADPCM:
            Refuse(IDS_OKI_ADPCM);
        case WAVE_FORMAT_IMA_ADPCM:
            Refuse(IDS_IMA_ADPCM);
        default:
            Refuse(IDS_FORMAT_UNSUPPORTED);
    }
    record_.formatTag = tag;
    record_.waveFormat.formatTag = tag;
}

void WaveReader::ReadFormatFields() {
    const bool pcm = record_.formatTag == WAVE_FORMAT_PCM;
    const std::uint16_t channels = ReadU16();
    if (channels != 1 && channels != 2) {
        Refuse(IDS_CHANNELS_UNSUPPORTED);
    }
    record_.channels = static_cast<std::uint8_t>(channels);
    record_.waveFormat.channels = channels;

    const std::uint32_t rate = ReadU32();
    if (FindRateRatio(rate) == nullptr) {  // the rates the conversion knows
        Refuse(IDS_RATE_UNSUPPORTED);
    }
    record_.samplesPerSec = rate;
    record_.waveFormat.samplesPerSec = rate;

    record_.waveFormat.avgBytesPerSec = ReadU32();

    const std::uint16_t blockAlign = ReadU16();
    if (pcm && blockAlign != 1 && blockAlign != 2 && blockAlign != 4) {
        Refuse(IDS_BLOCK_UNSUPPORTED);
    }
    record_.blockAlign = blockAlign;
    record_.waveFormat.blockAlign = blockAlign;

    const std::uint16_t bits = ReadU16();
    if ((pcm && bits != 8 && bits != 16) || (record_.formatTag == WAVE_FORMAT_ADPCM && bits != 4)) {
        Refuse(IDS_BITS_UNSUPPORTED);
    }
    record_.bitsPerSample = static_cast<std::uint8_t>(bits);
    record_.waveFormat.bitsPerSample = bits;

    if (record_.formatTag == WAVE_FORMAT_ALAW) {
        // An A-law file is either the conversion's own target format or one it cannot handle.
        Refuse(channels == 1 && rate == 8000 && bits == 8 ? IDS_ALREADY_OPTIMISED
                                                          : IDS_ALAW_UNSUPPORTED);
    }
}

void WaveReader::ReadPcmTail() {
    const WaveFormat& format = record_.waveFormat;
    const std::uint32_t expected =
        (format.samplesPerSec * format.bitsPerSample * format.channels) >> 3;
    if (format.avgBytesPerSec != expected) {
        Refuse(IDS_AVG_BYTES_MISMATCH);
    }
    if (formatSize_ != 16) {
        Skip(formatSize_ - 16);
    }
}

void WaveReader::ReadAdpcmTail() {
    record_.waveFormat.extraSize = ReadU16();
    record_.samplesPerBlock = ReadU16();
    if (ReadU16() != 7) {
        Refuse(IDS_ADPCM_COEF_SETS);
    }
    // Headers the decoder cannot handle are refused here rather than failing mid-conversion:
    // a block too short for its channel headers or for its samples, and rates that would make
    // the block count or the playback time a division by zero.
    if (!AdpcmGeometry{record_.channels, record_.blockAlign, record_.samplesPerBlock}.Fits()) {
        Refuse(IDS_BLOCK_UNSUPPORTED);
    }
    if (record_.waveFormat.avgBytesPerSec == 0) {
        Refuse(IDS_AVG_BYTES_MISMATCH);
    }
    Skip(28);  // the seven coefficient pairs; the decoder uses the standard ones
}

void WaveReader::ReadVoxwareTail() {
    WaveFormat& format = record_.waveFormat;
    format.extraSize = ReadU16();
    if (format.channels != 1 || format.samplesPerSec != 8000 || format.avgBytesPerSec != 300 ||
        format.blockAlign != 27 || format.bitsPerSample != 16 ||
        format.extraSize != WaveFormat::kExtraSize) {
        Refuse(IDS_VOXWARE_INCOMPATIBLE);
    }
    if (file_.Read(format.extra.data(), format.extra.size()) != format.extra.size()) {
        Refuse(IDS_CANNOT_READ_FILE);
    }
    ProbeVoxwareCodec();
}

// Asks the codec manager whether the data can be decoded, so that a file no installed codec can
// convert is refused now and not halfway through a conversion. No stream stays open.
void WaveReader::ProbeVoxwareCodec() {
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    if (codecs_.FormatSuggest(record_.waveFormat, pcm) != 0) {
        Refuse(IDS_VOXWARE_NOT_INSTALLED);
    }
    if (codecs_.StreamOpen(nullptr, record_.waveFormat, pcm) != 0) {
        Refuse(IDS_VOXWARE_CONVERSION);
    }
}

void WaveReader::ReadDataHeader() {
    ChunkId id = ReadId();
    if (IsId(id, "fact")) {
        if (ReadU32() != 4) {
            Refuse(IDS_FACT_SIZE);
        }
        ReadU32();  // the sample count of the fact chunk is not used
        id = ReadId();
    }
    if (!IsId(id, "data")) {
        Refuse(IDS_NO_DATA);
    }
    const std::uint32_t dataSize = ReadU32();
    if (dataSize < record_.blockAlign) {
        Refuse(IDS_DATA_MISSING);
    }
    record_.dataSize = dataSize;
    record_.dataOffset = file_.GetPosition();
}

void WaveReader::StoreSizes() {
    record_.playbackSeconds = InputPlaybackSeconds(record_);
    SetFileLength(record_, file_.GetLength());
}

float InputPlaybackSeconds(const FormatRecord& record) {
    const WaveFormat& format = record.waveFormat;
    switch (record.formatTag) {
        case WAVE_FORMAT_PCM:
            return static_cast<float>(static_cast<double>(record.dataSize) / format.avgBytesPerSec);
        case WAVE_FORMAT_ADPCM: {
            // The samples of the whole blocks, plus those of a final partial block counted as
            // for one channel; divided by twice the byte rate, as the time has always been shown.
            const std::uint64_t blocks = record.dataSize / record.blockAlign;
            const std::uint64_t rest = record.dataSize % record.blockAlign;
            std::uint64_t samples = blocks * record.samplesPerBlock * record.channels;
            samples += AdpcmGeometry::FramesInBlock(rest, 1);
            return static_cast<float>(static_cast<double>(samples) / (2.0 * format.avgBytesPerSec));
        }
        default: {
            // 27 samples at 8000 Hz for each data byte.
            const std::uint64_t samples = std::uint64_t{record.dataSize} * 27;
            return static_cast<float>(static_cast<double>(samples) * kSecondsPerSample8000);
        }
    }
}

}  // namespace sonaro
