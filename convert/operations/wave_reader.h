#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "convert/codecs/codec_manager.h"
#include "convert/files/file.h"
#include "convert/files/outcome.h"
#include "convert/operations/sound_description.h"

namespace sonaro {

// Parses and judges the header of a WAVE file, front to back, and stops at the first step that
// refuses it. It does not read the sound data: it learns where they start and how long they are.
class WaveReader {
  public:
    explicit WaveReader(CodecManager& codecs) : codecs_(codecs) {}

    // The description of the file at path when it is accepted; else the failure that says why
    // not: the reader's refusal, or a file operation that failed, each naming path.
    Outcome<SoundDescription> Read(const std::string& path);

  private:
    Outcome<SoundDescription> Judge(const std::string& path);
    void ReadRiffHeader();
    void ReadFormatTag();
    void ReadFormatFields();
    void ReadPcmTail();
    void ReadAdpcmTail();
    void ReadVoxwareTail();
    void ProbeVoxwareCodec();
    void ReadDataHeader();

    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    using ChunkId = std::array<char, 4>;
    ChunkId ReadId();
    bool ReadId(const char (&expected)[5]);
    static bool IsId(const ChunkId& id, const char (&expected)[5]);
    void Skip(std::uint32_t bytes);

    CodecManager& codecs_;
    File file_;
    SoundDescription sound_;
    std::uint32_t formatSize_ = 0;
};

}  // namespace sonaro
