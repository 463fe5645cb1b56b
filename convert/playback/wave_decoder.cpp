#include "convert/playback/wave_decoder.h"

#include <algorithm>
#include <cstring>

#include "convert/codecs/codec_session.h"
#include "convert/files/file.h"
#include "convert/formats/adpcm_block_decoder.h"
#include "convert/formats/adpcm_geometry.h"
#include "convert/formats/alaw_decoder.h"
#include "convert/formats/little_endian.h"

namespace sonaro {
namespace {

// More channels than a sound output takes is not a sound worth trying.
constexpr unsigned kMaxChannels = 8;

bool IsId(const std::uint8_t* bytes, const char (&id)[5]) {
    return std::memcmp(bytes, id, 4) == 0;
}

bool ShapeFits(const WaveFormat& format) {
    return format.channels != 0 && format.channels <= kMaxChannels && format.samplesPerSec != 0;
}

DecodedSound EmptySound(const WaveFormat& format) {
    DecodedSound sound;
    sound.samplesPerSec = format.samplesPerSec;
    sound.channels = format.channels;
    return sound;
}

// 8-bit PCM is unsigned around 128, 16-bit PCM signed little-endian; a partial frame is dropped.
std::optional<DecodedSound> DecodePcm(const WaveFormat& format, const std::uint8_t* data,
                                      std::size_t size) {
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) {
        return std::nullopt;
    }
    const std::size_t sampleBytes = format.bitsPerSample / 8;
    const std::size_t frameBytes = sampleBytes * format.channels;
    DecodedSound sound = EmptySound(format);
    const std::size_t count = size / frameBytes * format.channels;
    sound.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        sound.samples[i] = sampleBytes == 1 ? static_cast<std::int16_t>((data[i] - 128) * 256)
                                            : static_cast<std::int16_t>(LoadLE16(data + 2 * i));
    }
    return sound;
}

std::optional<DecodedSound> DecodeALawData(const WaveFormat& format, const std::uint8_t* data,
                                           std::size_t size) {
    if (format.bitsPerSample != 8) {
        return std::nullopt;
    }
    DecodedSound sound = EmptySound(format);
    const std::size_t count = size / format.channels * format.channels;
    sound.samples.resize(count);
    std::transform(data, data + count, sound.samples.begin(), DecodeALaw);
    return sound;
}

// Block by block with the conversion's block decoder and block plan: whole blocks, then a last
// partial block when it holds every channel's header. The frames per block come from the
// format chunk's extra bytes.
std::optional<DecodedSound> DecodeAdpcmData(const WaveFormat& format, const std::uint8_t* data,
                                            std::size_t size) {
    const AdpcmGeometry geometry{static_cast<std::uint8_t>(format.channels), format.blockAlign,
                                 LoadLE16(format.extra.data())};
    if (format.extraSize < 2 || !geometry.Fits()) {
        return std::nullopt;
    }
    const AdpcmBlockPlan plan = geometry.Plan(static_cast<std::uint32_t>(size));
    DecodedSound sound = EmptySound(format);
    sound.samples.resize(std::size_t{plan.frames} * format.channels);
    std::size_t written = 0;
    for (std::uint64_t b = 0; b < plan.Blocks(); ++b) {
        const bool partial = b == plan.fullBlocks;
        const std::size_t bytes = partial ? plan.partialBytes : geometry.blockAlign;
        const std::size_t frames = partial ? plan.partialFrames : geometry.samplesPerBlock;
        const std::span<const std::uint8_t> block(data + b * geometry.blockAlign, bytes);
        const std::span<std::int16_t> out(sound.samples.data() + written, frames * format.channels);
        if (AdpcmBlockDecoder::Decode(block, format.channels, frames, out) !=
            AdpcmBlockDecoder::Result::Decoded) {
            return std::nullopt;
        }
        written += out.size();
    }
    return sound;
}

}  // namespace

std::optional<DecodedSound> WaveDecoder::DecodeFile(const std::string& path,
                                                    std::uint64_t maxBytes) {
    try {
        File file(path, File::Mode::Read);
        const std::uint64_t length = file.GetLength();
        if (length > maxBytes) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
        bytes.resize(file.Read(bytes.data(), bytes.size()));
        return Decode(bytes);
    } catch (const FileException&) {
        return std::nullopt;
    }
}

std::optional<DecodedSound> WaveDecoder::Decode(const std::vector<std::uint8_t>& file) {
    constexpr std::size_t kRiffHeader = 12;
    constexpr std::size_t kChunkHeader = 8;
    if (file.size() < kRiffHeader || !IsId(&file[0], "RIFF") || !IsId(&file[8], "WAVE")) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> formatChunk;
    std::size_t pos = kRiffHeader;
    while (file.size() - pos >= kChunkHeader) {
        const std::uint8_t* header = &file[pos];
        const std::uint32_t declared = LoadLE32(header + 4);
        pos += kChunkHeader;
        // A chunk that claims more than the file holds (an unfinished recording) is cut short.
        const std::size_t length = std::min<std::size_t>(declared, file.size() - pos);
        if (IsId(header, "fmt ")) {
            formatChunk.emplace(file.begin() + static_cast<std::ptrdiff_t>(pos),
                                file.begin() + static_cast<std::ptrdiff_t>(pos + length));
        } else if (IsId(header, "data")) {
            if (!formatChunk || formatChunk->size() < 16) {
                return std::nullopt;
            }
            const WaveFormat format =
                WaveFormat::FromBytes(formatChunk->data(), formatChunk->size());
            return DecodeData(format, &file[pos], length);
        }
        pos += length;
        if ((declared & 1U) != 0 && pos < file.size()) {
            ++pos;  // chunks are padded to an even length
        }
    }
    return std::nullopt;
}

std::optional<DecodedSound> WaveDecoder::DecodeData(const WaveFormat& format,
                                                    const std::uint8_t* data, std::size_t size) {
    if (!ShapeFits(format)) {
        return std::nullopt;
    }
    switch (format.formatTag) {
        case WAVE_FORMAT_PCM:
            return DecodePcm(format, data, size);
        case WAVE_FORMAT_ADPCM:
            return DecodeAdpcmData(format, data, size);
        case WAVE_FORMAT_ALAW:
            return DecodeALawData(format, data, size);
        case WAVE_FORMAT_VOXWARE:
            return DecodeVoxware(format, data, size);
        default:
            return std::nullopt;
    }
}

// Block by block through a codec stream, as the conversion does it; the codec's PCM is then read
// as any PCM data. Only whole frames count: an answer beyond the buffer or with part of a frame
// is a failed conversion.
std::optional<DecodedSound> WaveDecoder::DecodeVoxware(const WaveFormat& format,
                                                       const std::uint8_t* data, std::size_t size) {
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    if (format.blockAlign == 0 || codecs_.FormatSuggest(format, pcm) != 0 || !ShapeFits(pcm) ||
        (pcm.bitsPerSample != 8 && pcm.bitsPerSample != 16)) {
        return std::nullopt;
    }
    const std::uint32_t frameBytes = pcm.channels * pcm.bitsPerSample / 8U;
    CodecSession session(codecs_);
    if (!session.Open(format, pcm, format.blockAlign, frameBytes) || !session.Prepare()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> decoded;
    bool converted = true;
    for (std::size_t offset = 0; converted && size - offset >= format.blockAlign;
         offset += format.blockAlign) {
        std::copy_n(data + offset, format.blockAlign, session.block());
        const auto pcmBytes = session.Convert();
        converted = pcmBytes.has_value();
        if (converted) {
            decoded.insert(decoded.end(), pcmBytes->begin(), pcmBytes->end());
        }
    }
    if (!session.End() || !converted) {
        return std::nullopt;
    }
    return DecodePcm(pcm, decoded.data(), decoded.size());
}

}  // namespace sonaro
