#include "convert/operations/wave_reader.h"

#include <array>
#include <cstring>

#include "convert/formats/adpcm_geometry.h"
#include "convert/formats/little_endian.h"
#include "convert/resampler/rate_table.h"
#include "resources/string_ids.h"

namespace sonaro {
namespace {

// A refusal ends the reading at the step that decides it.
[[noreturn]] void Refuse(unsigned message) {
    throw Failure::Of(message);
}

}  // namespace

// The file is closed before the description goes out, so that a player may open it at once.
Outcome<SoundDescription> WaveReader::Read(const std::string& path) {
    Outcome<SoundDescription> outcome = Judge(path);
    file_ = File();
    return outcome;
}

Outcome<SoundDescription> WaveReader::Judge(const std::string& path) {
    sound_ = SoundDescription{};
    sound_.path = path;
    try {
        file_.Open(path, File::Mode::Read);
        ReadRiffHeader();
        ReadFormatTag();
        ReadFormatFields();
        switch (sound_.format.formatTag) {
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
        sound_.fileLength = file_.GetLength();
    } catch (Failure& refusal) {
        refusal.path = path;
        return refusal;
    } catch (const FileException& error) {
        return Failure::FromFile(error);
    }
    return sound_;
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
        case WAVE_FORMAT_ADPCM:
        case WAVE_FORMAT_VOXWARE:
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
    sound_.format.formatTag = tag;
}

void WaveReader::ReadFormatFields() {
    WaveFormat& format = sound_.format;
    const bool pcm = format.formatTag == WAVE_FORMAT_PCM;
    const std::uint16_t channels = ReadU16();
    if (channels != 1 && channels != 2) {
        Refuse(IDS_CHANNELS_UNSUPPORTED);
    }
    format.channels = channels;

    const std::uint32_t rate = ReadU32();
    if (FindRateRatio(rate) == nullptr) {  // the rates the conversion knows
        Refuse(IDS_RATE_UNSUPPORTED);
    }
    format.samplesPerSec = rate;

    format.avgBytesPerSec = ReadU32();

    const std::uint16_t blockAlign = ReadU16();
    if (pcm && blockAlign != 1 && blockAlign != 2 && blockAlign != 4) {
        Refuse(IDS_BLOCK_UNSUPPORTED);
    }
    format.blockAlign = blockAlign;

    const std::uint16_t bits = ReadU16();
    if ((pcm && bits != 8 && bits != 16) || (format.formatTag == WAVE_FORMAT_ADPCM && bits != 4)) {
        Refuse(IDS_BITS_UNSUPPORTED);
    }
    format.bitsPerSample = bits;

    if (format.formatTag == WAVE_FORMAT_ALAW) {
        // An A-law file is either the conversion's own target format or one it cannot handle.
        Refuse(channels == 1 && rate == 8000 && bits == 8 ? IDS_ALREADY_OPTIMISED
                                                          : IDS_ALAW_UNSUPPORTED);
    }
}

void WaveReader::ReadPcmTail() {
    const WaveFormat& format = sound_.format;
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
    WaveFormat& format = sound_.format;
    format.extraSize = ReadU16();
    sound_.samplesPerBlock = ReadU16();
    if (ReadU16() != 7) {
        Refuse(IDS_ADPCM_COEF_SETS);
    }
    // Headers the decoder cannot handle are refused here rather than failing mid-conversion:
    // a block too short for its channel headers or for its samples, and rates that would make
    // the block count or the playback time a division by zero.
    if (!AdpcmGeometry{static_cast<std::uint8_t>(format.channels), format.blockAlign,
                       sound_.samplesPerBlock}
             .Fits()) {
        Refuse(IDS_BLOCK_UNSUPPORTED);
    }
    if (format.avgBytesPerSec == 0) {
        Refuse(IDS_AVG_BYTES_MISMATCH);
    }
    Skip(28);  // the seven coefficient pairs; the decoder uses the standard ones
}

void WaveReader::ReadVoxwareTail() {
    WaveFormat& format = sound_.format;
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
    if (codecs_.FormatSuggest(sound_.format, pcm) != 0) {
        Refuse(IDS_VOXWARE_NOT_INSTALLED);
    }
    if (codecs_.StreamOpen(nullptr, sound_.format, pcm) != 0) {
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
    if (dataSize < sound_.format.blockAlign) {
        Refuse(IDS_DATA_MISSING);
    }
    sound_.dataSize = dataSize;
    sound_.dataOffset = file_.GetPosition();
}

}  // namespace sonaro
