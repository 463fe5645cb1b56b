#include "import/decoder_reply_reader.h"

#include <limits>

#include "convert/formats/little_endian.h"
#include "import/decoder_stopped.h"

namespace sonaro {
namespace {

using decoder::RecordType;

[[noreturn]] void Breach(const std::string& what) {
    throw DecoderStopped("it sent " + what);
}

std::int64_t LoadLE64(const std::uint8_t* p) {
    return static_cast<std::int64_t>(LoadLE32(p) | (std::uint64_t{LoadLE32(p + 4)} << 32));
}

bool Printable(std::uint8_t c) {
    return c >= 0x20 && c <= 0x7E;
}

bool LowerCaseOrDigit(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

void DecoderReplyReader::Append(const std::uint8_t* bytes, std::size_t size) {
    if (ended_ && size > 0) {
        Breach("bytes after its last record");
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
    buffer_.insert(buffer_.end(), bytes, bytes + size);
}

bool DecoderReplyReader::Next(DecoderReply& reply) {
    if (ended_) {
        CheckNothingFollows();
        return false;
    }
    const std::size_t available = buffer_.size() - start_;
    if (available < decoder::kHeadBytes) {
        return false;
    }
    const std::uint8_t* head = buffer_.data() + start_;
    const std::uint32_t type = LoadLE32(head);
    const std::uint32_t size = LoadLE32(head + 4);
    if (size > decoder::kMaxPayloadBytes) {
        Breach("a record of " + std::to_string(size) + " bytes");
    }
    if (available < decoder::kHeadBytes + size) {
        return false;
    }
    const std::uint8_t* payload = head + decoder::kHeadBytes;
    start_ += decoder::kHeadBytes + size;
    reply = DecoderReply{};
    reply.type = static_cast<RecordType>(type);
    switch (reply.type) {
        case RecordType::Sound:
            ReadSound(payload, size, reply);
            break;
        case RecordType::Samples:
            ReadSamples(payload, size, reply);
            break;
        case RecordType::Failure:
            ReadText(payload, size, reply);
            ended_ = true;
            break;
        case RecordType::End:
            if (size != 0 || (asked_ == Asked::Sound && !described_)) {
                Breach("an End record out of place");
            }
            ended_ = true;
            break;
        case RecordType::Extension:
            ReadExtension(payload, size, reply);
            break;
        default:
            Breach("a record of type " + std::to_string(type));
    }
    return true;
}

void DecoderReplyReader::CheckNothingFollows() const {
    if (start_ != buffer_.size()) {
        Breach("bytes after its last record");
    }
}

void DecoderReplyReader::ReadSound(const std::uint8_t* payload, std::size_t size,
                                   DecoderReply& reply) {
    if (asked_ != Asked::Sound || described_ || size != decoder::kSoundBytes) {
        Breach("a Sound record out of place");
    }
    decoder::SourceFacts& source = reply.source;
    const std::uint32_t version = LoadLE32(payload);
    source.channels = LoadLE32(payload + 4);
    source.rate = LoadLE32(payload + 8);
    const std::uint32_t kind = LoadLE32(payload + 12);
    source.frames = LoadLE64(payload + 16);
    if (version != decoder::kVersion || source.channels == 0 ||
        source.channels > decoder::kMaxChannels || source.rate == 0 ||
        source.rate > static_cast<std::uint32_t>(std::numeric_limits<int>::max()) ||
        kind > static_cast<std::uint32_t>(SampleKind::Other) || source.frames < -1) {
        Breach("a Sound record out of range");
    }
    source.kind = static_cast<SampleKind>(kind);
    plan_ = PlanImport(static_cast<int>(source.channels), source.rate, source.kind);
    frameBytes_ = static_cast<std::size_t>(plan_.channels) * (plan_.copy ? 2 : 4);
    described_ = true;
}

void DecoderReplyReader::ReadSamples(const std::uint8_t* payload, std::size_t size,
                                     DecoderReply& reply) {
    if (!described_ || size <= 4 || (size - 4) % frameBytes_ != 0) {
        Breach("a Samples record out of place or not of whole frames");
    }
    reply.progress = LoadLE32(payload);
    if (reply.progress > decoder::kProgressScale) {
        Breach("a progress past the end");
    }
    reply.samples = payload + 4;
    reply.sampleBytes = size - 4;
}

void DecoderReplyReader::ReadText(const std::uint8_t* payload, std::size_t size,
                                  DecoderReply& reply) {
    if (size == 0 || size > decoder::kMaxTextBytes) {
        Breach("a text of " + std::to_string(size) + " bytes");
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (!Printable(payload[i])) {
            Breach("a text with unprintable bytes");
        }
    }
    reply.text.assign(payload, payload + size);
}

void DecoderReplyReader::ReadExtension(const std::uint8_t* payload, std::size_t size,
                                       DecoderReply& reply) {
    if (asked_ != Asked::Extensions || ++extensions_ > decoder::kMaxExtensions ||
        size > decoder::kMaxExtensionBytes) {
        Breach("an Extension record out of place");
    }
    ReadText(payload, size, reply);
    for (const char c : reply.text) {
        if (!LowerCaseOrDigit(static_cast<std::uint8_t>(c))) {
            Breach("an ending that is not lower-case letters and digits");
        }
    }
}

}  // namespace sonaro
