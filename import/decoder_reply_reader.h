#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "import/decoder_protocol.h"
#include "import/import_plan.h"

namespace sonaro {

// One record from the decoder, checked. The samples point into the reader's buffer and stay
// valid until the reader is next called.
struct DecoderReply {
    decoder::RecordType type = decoder::RecordType::End;
    decoder::SourceFacts source;            // Sound
    std::uint32_t progress = 0;             // Samples: millionths of the input read
    const std::uint8_t* samples = nullptr;  // Samples: in the plan's encoding
    std::size_t sampleBytes = 0;
    std::string text;  // Failure, Extension
};

// Reads the bytes a decoder process sends back and trusts none of them: records come whole, in
// the order the protocol allows for what was asked, with sizes and values in their ranges, and
// nothing after the last one. Anything else throws DecoderStopped. Memory stays bounded: a
// record longer than the protocol allows is refused from its head.
class DecoderReplyReader {
  public:
    enum class Asked { Sound, Extensions };

    explicit DecoderReplyReader(Asked asked) : asked_(asked) {}

    // Takes the next bytes the decoder sent.
    void Append(const std::uint8_t* bytes, std::size_t size);
    // The next whole record, checked; false when more bytes are needed, or after the last record.
    bool Next(DecoderReply& reply);
    // Whether the last record (End or a Failure) has been read.
    bool ended() const { return ended_; }
    // After the last record: throws DecoderStopped if any bytes came after it.
    void CheckNothingFollows() const;
    // The plan that the Sound record gives (after it has been read).
    const ImportPlan& plan() const { return plan_; }
    // The bytes of one frame of samples in the plan's encoding.
    std::size_t frameBytes() const { return frameBytes_; }

  private:
    void ReadSound(const std::uint8_t* payload, std::size_t size, DecoderReply& reply);
    void ReadSamples(const std::uint8_t* payload, std::size_t size, DecoderReply& reply);
    void ReadText(const std::uint8_t* payload, std::size_t size, DecoderReply& reply);
    void ReadExtension(const std::uint8_t* payload, std::size_t size, DecoderReply& reply);

    Asked asked_;
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;  // the first byte not yet read
    bool described_ = false;
    bool ended_ = false;
    std::size_t extensions_ = 0;
    ImportPlan plan_;
    std::size_t frameBytes_ = 0;
};

}  // namespace sonaro
