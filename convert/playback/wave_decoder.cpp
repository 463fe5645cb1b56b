#include "convert/playback/wave_decoder.h"

#include <memory>

#include "convert/playback/wave_stream.h"

namespace sonaro {
namespace {

std::optional<DecodedSound> ReadAll(const std::unique_ptr<WaveStream>& stream) {
    if (stream == nullptr) {
        return std::nullopt;
    }
    DecodedSound sound;
    sound.samplesPerSec = stream->samplesPerSec();
    sound.channels = stream->channels();
    sound.samples.resize(stream->frames() * stream->channels());
    sound.samples.resize(stream->Read(sound.samples.data(), sound.samples.size()));
    return sound;
}

}  // namespace

std::optional<DecodedSound> WaveDecoder::DecodeFile(const std::string& path,
                                                    std::uint64_t maxBytes) {
    return ReadAll(WaveStream::OpenFile(path, maxBytes, codecs_));
}

std::optional<DecodedSound> WaveDecoder::Decode(const std::vector<std::uint8_t>& file) {
    return ReadAll(WaveStream::Open(file, codecs_));
}

}  // namespace sonaro
