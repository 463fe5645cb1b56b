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

std::optional<DecodedSound> WaveDecoder::Decode(const SoundDescription& sound,
                                                std::uint64_t maxBytes) {
    return ReadAll(WaveStream::Open(sound, maxBytes, codecs_));
}

}  // namespace sonaro
