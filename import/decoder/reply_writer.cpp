#include "import/decoder/reply_writer.h"

#include <algorithm>
#include <cmath>

#include "convert/formats/little_endian.h"

namespace sonaro {
namespace {

constexpr std::size_t kSamplesPerRecord = std::size_t{1} << 16;

void Append32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    std::uint8_t le[4];
    StoreLE32(le, value);
    bytes.insert(bytes.end(), le, le + 4);
}

}  // namespace

void ReplyWriter::Sound(const decoder::SourceFacts& source) {
    Begin(decoder::RecordType::Sound, decoder::kSoundBytes);
    Append32(record_, decoder::kVersion);
    Append32(record_, source.channels);
    Append32(record_, source.rate);
    Append32(record_, static_cast<std::uint32_t>(source.kind));
    const auto frames = static_cast<std::uint64_t>(source.frames);
    Append32(record_, static_cast<std::uint32_t>(frames));
    Append32(record_, static_cast<std::uint32_t>(frames >> 32));
    Send();
}

void ReplyWriter::Samples(double progress, const void* samples, std::size_t bytes) {
    const auto share = static_cast<std::uint32_t>(
        std::lround(std::clamp(progress, 0.0, 1.0) * decoder::kProgressScale));
    const auto* from = static_cast<const std::uint8_t*>(samples);
    while (bytes > 0) {
        const std::size_t part = std::min(bytes, kSamplesPerRecord);
        Begin(decoder::RecordType::Samples, 4 + part);
        Append32(record_, share);
        record_.insert(record_.end(), from, from + part);
        Send();
        from += part;
        bytes -= part;
    }
}

void ReplyWriter::Failure(const std::string& reason) {
    const std::size_t size = std::min(reason.size(), decoder::kMaxTextBytes);
    Begin(decoder::RecordType::Failure, std::max<std::size_t>(size, 1));
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<std::uint8_t>(reason[i]);
        record_.push_back(c >= 0x20 && c <= 0x7E ? c : '?');
    }
    if (size == 0) {
        record_.push_back('?');
    }
    Send();
}

void ReplyWriter::Extension(const std::string& ending) {
    Begin(decoder::RecordType::Extension, ending.size());
    record_.insert(record_.end(), ending.begin(), ending.end());
    Send();
}

void ReplyWriter::End() {
    Begin(decoder::RecordType::End, 0);
    Send();
}

void ReplyWriter::Begin(decoder::RecordType type, std::size_t payload) {
    record_.clear();
    Append32(record_, static_cast<std::uint32_t>(type));
    Append32(record_, static_cast<std::uint32_t>(payload));
}

void ReplyWriter::Send() {
    output_(record_.data(), record_.size());
}

}  // namespace sonaro
