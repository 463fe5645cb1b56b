#pragma once

#include <string>
#include <vector>

#include "convert/codecs/codec_manager.h"

namespace sonaro::test {

// Passes every call on to another codec manager and writes down each call with its answer, as
// "name=result" ("size(27)=0", "convert(align)=0", ...), so that a test can compare the whole
// order of calls. The headers given to PrepareHeader are kept as they were at the call.
class RecordingCodecs final : public CodecManager {
  public:
    explicit RecordingCodecs(CodecManager& inner) : inner_(inner) {}

    int FormatSuggest(const WaveFormat& source, WaveFormat& destination) override;
    int StreamOpen(CodecStream* stream, const WaveFormat& source,
                   const WaveFormat& destination) override;
    int StreamSize(CodecStream stream, std::uint32_t sourceBytes,
                   std::uint32_t& destinationBytes) override;
    int PrepareHeader(CodecStream stream, CodecStreamHeader& header) override;
    int Convert(CodecStream stream, CodecStreamHeader& header, bool blockAlign) override;
    int UnprepareHeader(CodecStream stream, CodecStreamHeader& header) override;
    int StreamClose(CodecStream stream) override;

    std::vector<std::string> calls;
    std::vector<CodecStreamHeader> prepared;
    std::vector<WaveFormat> openDestinations;

  private:
    int Note(const std::string& call, int result);

    CodecManager& inner_;
};

}  // namespace sonaro::test
