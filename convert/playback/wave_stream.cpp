#include "convert/playback/wave_stream.h"

#include <algorithm>

#include "convert/codecs/codec_session.h"
#include "convert/files/file.h"
#include "convert/formats/adpcm_block_decoder.h"
#include "convert/formats/alaw_decoder.h"
#include "convert/formats/little_endian.h"

namespace sonaro {
namespace {

// More channels than a sound output takes is not a sound worth trying.
constexpr unsigned kMaxChannels = 8;

bool ShapeFits(const WaveFormat& format) {
    return format.channels != 0 && format.channels <= kMaxChannels && format.samplesPerSec != 0;
}

bool IsPcm(const WaveFormat& format) {
    return format.bitsPerSample == 8 || format.bitsPerSample == 16;
}

}  // namespace

WaveStream::WaveStream(std::vector<std::uint8_t> data, const SoundDescription& sound)
    : data_(std::move(data)), format_(sound.format), samplesPerBlock_(sound.samplesPerBlock) {}

// Only the sound data are read; data the header claims but the file does not hold (an unfinished
// recording) are left out.
std::unique_ptr<WaveStream> WaveStream::Open(const SoundDescription& sound, std::uint64_t maxBytes,
                                             CodecManager& codecs) {
    try {
        File file(sound.path, File::Mode::Read);
        const std::uint64_t length = file.GetLength();
        if (length > maxBytes || sound.dataOffset > length) {
            return nullptr;
        }
        std::vector<std::uint8_t> data(static_cast<std::size_t>(
            std::min<std::uint64_t>(sound.dataSize, length - sound.dataOffset)));
        file.Seek(static_cast<std::int64_t>(sound.dataOffset), File::SeekFrom::Begin);
        data.resize(file.Read(data.data(), data.size()));
        std::unique_ptr<WaveStream> stream(new WaveStream(std::move(data), sound));
        return stream->Prepare(codecs) ? std::move(stream) : nullptr;
    } catch (const FileException&) {
        return nullptr;
    }
}

// Counts the frames, a partial one dropped; refuses what cannot be decoded. Every ADPCM block's
// predictors are checked here.
bool WaveStream::Prepare(CodecManager& codecs) {
    if (!ShapeFits(format_)) {
        return false;
    }
    switch (format_.formatTag) {
        case WAVE_FORMAT_VOXWARE:
            return DecodeVoxware(codecs);
        case WAVE_FORMAT_PCM:
            frames_ =
                IsPcm(format_) ? data_.size() / (format_.bitsPerSample / 8U) / format_.channels : 0;
            return IsPcm(format_);
        case WAVE_FORMAT_ALAW:
            frames_ = data_.size() / format_.channels;
            return format_.bitsPerSample == 8;
        case WAVE_FORMAT_ADPCM:
            break;
        default:
            return false;
    }
    geometry_ = {static_cast<std::uint8_t>(format_.channels), format_.blockAlign, samplesPerBlock_};
    if (!geometry_.Fits()) {
        return false;
    }
    plan_ = geometry_.Plan(static_cast<std::uint32_t>(data_.size()));
    for (std::uint64_t b = 0; b < plan_.Blocks(); ++b) {
        if (!AdpcmBlockDecoder::PredictorsValid(data() + b * geometry_.blockAlign,
                                                format_.channels)) {
            return false;
        }
    }
    frames_ = plan_.frames;
    return true;
}

// Block by block through a codec stream, as the conversion does it; the codec's PCM then takes
// the place of the file's data, to be read as any PCM. Only whole frames count: an answer beyond
// the buffer or with part of a frame is a failed conversion.
bool WaveStream::DecodeVoxware(CodecManager& codecs) {
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    if (format_.blockAlign == 0 || codecs.FormatSuggest(format_, pcm) != 0 || !ShapeFits(pcm) ||
        !IsPcm(pcm)) {
        return false;
    }
    const std::uint32_t frameBytes = pcm.channels * pcm.bitsPerSample / 8U;
    CodecSession session(codecs);
    if (!session.Open(format_, pcm, format_.blockAlign, frameBytes) || !session.Prepare()) {
        return false;
    }
    std::vector<std::uint8_t> decoded;
    bool converted = true;
    for (std::size_t offset = 0; converted && data_.size() - offset >= format_.blockAlign;
         offset += format_.blockAlign) {
        std::copy_n(data() + offset, format_.blockAlign, session.block());
        const auto pcmBytes = session.Convert();
        converted = pcmBytes.has_value();
        if (converted) {
            decoded.insert(decoded.end(), pcmBytes->begin(), pcmBytes->end());
        }
    }
    if (!session.End() || !converted) {
        return false;
    }
    data_ = std::move(decoded);
    format_ = pcm;
    return Prepare(codecs);
}

void WaveStream::DecodeBlock() {
    const std::uint64_t b = nextBlock_++;
    const bool partial = b == plan_.fullBlocks;
    const std::size_t bytes = partial ? plan_.partialBytes : geometry_.blockAlign;
    const std::size_t frames = partial ? plan_.partialFrames : geometry_.samplesPerBlock;
    pending_.resize(frames * format_.channels);
    pendingAt_ = 0;
    AdpcmBlockDecoder::Decode({data() + b * geometry_.blockAlign, bytes}, format_.channels, frames,
                              pending_);
}

// 8-bit PCM is unsigned around 128, 16-bit PCM signed little-endian.
std::size_t WaveStream::Read(std::int16_t* out, std::size_t maxSamples) {
    const std::size_t channels = format_.channels;
    const std::size_t samples = std::min(maxSamples / channels, frames_ - given_) * channels;
    const std::size_t first = given_ * channels;
    switch (format_.formatTag) {
        case WAVE_FORMAT_ALAW:
            std::transform(data() + first, data() + first + samples, out, DecodeALaw);
            break;
        case WAVE_FORMAT_ADPCM:
            for (std::size_t done = 0; done < samples;) {
                if (pendingAt_ == pending_.size()) {
                    DecodeBlock();
                }
                const std::size_t part = std::min(samples - done, pending_.size() - pendingAt_);
                std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_), part,
                            out + done);
                pendingAt_ += part;
                done += part;
            }
            break;
        default:  // PCM
            for (std::size_t i = 0; i < samples; ++i) {
                out[i] = format_.bitsPerSample == 8
                             ? static_cast<std::int16_t>((data()[first + i] - 128) * 256)
                             : static_cast<std::int16_t>(LoadLE16(data() + 2 * (first + i)));
            }
            break;
    }
    given_ += samples / channels;
    return samples;
}

}  // namespace sonaro
