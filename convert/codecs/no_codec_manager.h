#pragma once

#include "convert/codecs/codec_manager.h"

namespace sonaro {

// A codec manager without any driver: every question is answered "not possible".
class NoCodecManager final : public CodecManager {
  public:
    int FormatSuggest(const WaveFormat&, WaveFormat&) override { return kNotPossible; }
    int StreamOpen(CodecStream*, const WaveFormat&, const WaveFormat&) override {
        return kNotPossible;
    }
    int StreamSize(CodecStream, std::uint32_t, std::uint32_t&) override { return kNotPossible; }
    int PrepareHeader(CodecStream, CodecStreamHeader&) override { return kNotPossible; }
    int Convert(CodecStream, CodecStreamHeader&, bool) override { return kNotPossible; }
    int UnprepareHeader(CodecStream, CodecStreamHeader&) override { return kNotPossible; }
    int StreamClose(CodecStream) override { return kNotPossible; }
};

}  // namespace sonaro
