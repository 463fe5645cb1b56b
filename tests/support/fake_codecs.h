#pragma once

#include "convert/codecs/codec_manager.h"

namespace sonaro::test {

// A codec manager whose answers to the two questions of the reader's probe are set by the test.
// It converts nothing.
class ProbeCodecs final : public CodecManager {
  public:
    int FormatSuggest(const WaveFormat& source, WaveFormat& destination) override {
        ++suggests;
        lastSource = source;
        if (suggestResult == 0) {
            destination = WaveFormat{1, 1, 8000, 16000, 2, 16, 0, {}};
        }
        return suggestResult;
    }
    int StreamOpen(CodecStream* stream, const WaveFormat&, const WaveFormat&) override {
        ++opens;
        if (stream != nullptr) {
            ++openStreams;
        }
        return openResult;
    }
    int StreamSize(CodecStream, std::uint32_t, std::uint32_t&) override { return kNotPossible; }
    int PrepareHeader(CodecStream, CodecStreamHeader&) override { return kNotPossible; }
    int Convert(CodecStream, CodecStreamHeader&, bool) override { return kNotPossible; }
    int UnprepareHeader(CodecStream, CodecStreamHeader&) override { return kNotPossible; }
    int StreamClose(CodecStream) override { return kNotPossible; }

    int suggestResult = 0;
    int openResult = 0;
    int suggests = 0;
    int opens = 0;
    int openStreams = 0;
    WaveFormat lastSource;
};

}  // namespace sonaro::test
