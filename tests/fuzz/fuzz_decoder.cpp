// Arbitrary bytes decoded as the decoder process decodes a file: libsndfile through its virtual
// I/O over the bytes, then the mixing and the rate conversion, the records written as the process
// writes them. It must end with its last record, or with libsndfile's or soxr's reason, never
// crash or read uninitialised memory; and every record must pass the reader in the programs:
// what an honest decoder sends is never taken for a breach. The output is cut after 1 MiB, so
// that bytes announcing hours of sound cost no more than a short sound.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "import/decoder/sound_decoder.h"
#include "import/decoder_reply_reader.h"
#include "import/decoder_stopped.h"
#include "import/import_failure.h"

namespace {

// The fuzzer's bytes as a file.
class MemorySource final : public sonaro::ByteSource {
  public:
    MemorySource(const std::uint8_t* data, std::size_t size)
        : data_(data), size_(static_cast<std::int64_t>(size)) {}

    std::int64_t Length() override { return size_; }
    std::int64_t Seek(std::int64_t offset, int whence) override {
        const std::int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? position_ : size_;
        if (offset < -base || offset > std::numeric_limits<std::int64_t>::max() - base) {
            return -1;
        }
        position_ = base + offset;
        return position_;
    }
    std::int64_t Read(void* buffer, std::int64_t count) override {
        const std::int64_t got = std::clamp<std::int64_t>(size_ - position_, 0, count);
        if (got > 0) {
            std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(got));
        }
        position_ += got;
        return got;
    }
    std::int64_t Tell() override { return position_; }

  private:
    const std::uint8_t* data_;
    std::int64_t size_;
    std::int64_t position_ = 0;
};

// Thrown to cut a long decoding short.
struct Enough {};

constexpr std::size_t kMostOutput = std::size_t{1} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemorySource bytes(data, size);
    sonaro::DecoderReplyReader reader(sonaro::DecoderReplyReader::Asked::Sound);
    std::size_t sent = 0;
    sonaro::ReplyWriter reply([&](const std::uint8_t* record, std::size_t length) {
        try {
            reader.Append(record, length);
            sonaro::DecoderReply checked;
            while (reader.Next(checked)) {
            }
        } catch (const sonaro::DecoderStopped&) {
            std::abort();  // the reader refused what the decoder sent
        }
        sent += length;
        if (sent > kMostOutput) {
            throw Enough{};
        }
    });
    try {
        sonaro::SoundSource input(bytes);
        sonaro::DecodeSound(input, reply);
    } catch (const sonaro::ImportFailure& failure) {
        reply.Failure(failure.what());
    } catch (const Enough&) {
        return 0;
    }
    if (!reader.ended()) {
        std::abort();
    }
    return 0;
}
