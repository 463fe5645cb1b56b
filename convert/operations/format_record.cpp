#include "convert/operations/format_record.h"

#include "convert/formats/adpcm_geometry.h"
#include "convert/stages/5_alaw_file_writer.h"

namespace sonaro {
namespace {

const char* FormatName(std::uint16_t tag) {
    switch (tag) {
        case WAVE_FORMAT_PCM:
            return "PCM";
        case WAVE_FORMAT_ADPCM:
            return "ADPCM";
        case WAVE_FORMAT_VOXWARE:
            return "Voxware";
        default:
            return "A-Law";
    }
}

// The fields that follow from the sound's own description.
void Describe(FormatRecord& record, const SoundDescription& sound) {
    record.formatName = FormatName(sound.format.formatTag);
    record.formatTag = sound.format.formatTag;
    record.channels = static_cast<std::uint8_t>(sound.format.channels);
    record.samplesPerSec = sound.format.samplesPerSec;
    record.bitsPerSample = static_cast<std::uint8_t>(sound.format.bitsPerSample);
    record.dataSize = sound.dataSize;
    record.playbackSeconds = PlaybackSeconds(sound);
    record.sizeKB = static_cast<std::uint32_t>((sound.fileLength + 1023) / 1024);
    record.playable = sound.fileLength < kPlayableLimit;
}

}  // namespace

SoundDescription ALawResult(const std::string& path, std::uint32_t count) {
    SoundDescription result;
    result.path = path;
    result.format.formatTag = WAVE_FORMAT_ALAW;
    result.format.channels = 1;
    result.format.samplesPerSec = 8000;
    result.format.avgBytesPerSec = 8000;
    result.format.blockAlign = 1;
    result.format.bitsPerSample = 8;
    result.dataOffset = kALawHeaderSize;
    result.dataSize = count;
    result.fileLength = std::uint64_t{count} + kALawHeaderSize;
    return result;
}

FormatRecord RecordOf(const SoundDescription& source) {
    FormatRecord record;
    record.dataOffset = source.dataOffset;
    record.waveFormat = source.format;
    record.blockAlign = source.format.blockAlign;
    record.samplesPerBlock = source.samplesPerBlock;
    Describe(record, source);
    return record;
}

FormatRecord RecordOf(const SoundDescription& source, const SoundDescription& result) {
    FormatRecord record = RecordOf(source);
    Describe(record, result);
    return record;
}

float PlaybackSeconds(const SoundDescription& sound) {
    const WaveFormat& format = sound.format;
    switch (format.formatTag) {
        case WAVE_FORMAT_PCM:
            return static_cast<float>(static_cast<double>(sound.dataSize) / format.avgBytesPerSec);
        case WAVE_FORMAT_ADPCM: {
            // The samples of the whole blocks, plus those of a final partial block counted as
            // for one channel; divided by twice the byte rate, as the time has always been shown.
            const std::uint64_t blocks = sound.dataSize / format.blockAlign;
            const std::uint64_t rest = sound.dataSize % format.blockAlign;
            std::uint64_t samples = blocks * sound.samplesPerBlock * format.channels;
            samples += AdpcmGeometry::FramesInBlock(rest, 1);
            return static_cast<float>(static_cast<double>(samples) / (2.0 * format.avgBytesPerSec));
        }
        case WAVE_FORMAT_VOXWARE: {
            // 27 samples at 8000 Hz for each data byte.
            const std::uint64_t samples = std::uint64_t{sound.dataSize} * 27;
            return static_cast<float>(static_cast<double>(samples) * kSecondsPerSample8000);
        }
        default:  // A-law at 8000 Hz, one byte a sample
            return static_cast<float>(static_cast<double>(sound.dataSize) *
                                      double{kSecondsPerSample8000});
    }
}

}  // namespace sonaro
