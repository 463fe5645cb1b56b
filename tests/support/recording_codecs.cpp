#include "tests/support/recording_codecs.h"

namespace sonaro::test {

int RecordingCodecs::Note(const std::string& call, int result) {
    calls.push_back(call + "=" + std::to_string(result));
    return result;
}

int RecordingCodecs::FormatSuggest(const WaveFormat& source, WaveFormat& destination) {
    return Note("suggest", inner_.FormatSuggest(source, destination));
}

int RecordingCodecs::StreamOpen(CodecStream* stream, const WaveFormat& source,
                                const WaveFormat& destination) {
    openDestinations.push_back(destination);
    return Note(stream == nullptr ? "query" : "open",
                inner_.StreamOpen(stream, source, destination));
}

int RecordingCodecs::StreamSize(CodecStream stream, std::uint32_t sourceBytes,
                                std::uint32_t& destinationBytes) {
    return Note("size(" + std::to_string(sourceBytes) + ")",
                inner_.StreamSize(stream, sourceBytes, destinationBytes));
}

int RecordingCodecs::PrepareHeader(CodecStream stream, CodecStreamHeader& header) {
    prepared.push_back(header);
    return Note("prepare", inner_.PrepareHeader(stream, header));
}

int RecordingCodecs::Convert(CodecStream stream, CodecStreamHeader& header, bool blockAlign) {
    return Note(blockAlign ? "convert(align)" : "convert",
                inner_.Convert(stream, header, blockAlign));
}

int RecordingCodecs::UnprepareHeader(CodecStream stream, CodecStreamHeader& header) {
    return Note("unprepare", inner_.UnprepareHeader(stream, header));
}

int RecordingCodecs::StreamClose(CodecStream stream) {
    return Note("close", inner_.StreamClose(stream));
}

}  // namespace sonaro::test
