#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "convert/codecs/codec_manager.h"
#include "convert/files/file.h"
#include "document/format_record.h"

namespace sonaro {

// Parses and judges the header of a WAVE file, front to back, writing what it learns into the
// format record as it goes (a refused file leaves the fields written so far). It does not read
// the audio data: it records where the data starts and how long it is.
class WaveReader {
  public:
    WaveReader(FormatRecord& record, CodecManager& codecs) : record_(record), codecs_(codecs) {}

    // Answers 0 when the file is accepted, else the number of the message that says why not.
    // Throws FileException when the file cannot be opened or a read fails.
    unsigned Read(const std::string& path);

  private:
    void ReadRiffHeader();
    void ReadFormatTag();
    void ReadFormatFields();
    void ReadPcmTail();
    void ReadAdpcmTail();
    void ReadVoxwareTail();
    void ProbeVoxwareCodec();
    void ReadDataHeader();
    void StoreSizes();

    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    using ChunkId = std::array<char, 4>;
    ChunkId ReadId();
    bool ReadId(const char (&expected)[5]);
    static bool IsId(const ChunkId& id, const char (&expected)[5]);
    void Skip(std::uint32_t bytes);

    FormatRecord& record_;
    CodecManager& codecs_;
    File file_;
    std::uint32_t formatSize_ = 0;
};

// The playback time of an accepted input, from the fields the reader stored.
float InputPlaybackSeconds(const FormatRecord& record);

}  // namespace sonaro
