#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "convert/codecs/codec_manager.h"

namespace sonaro {

// One conversion stream of the codec manager with its header and buffers, from opening to
// closing: a block of compressed data in, the PCM the codec gives for it out. A set-up step that
// fails closes the stream at once; a stream still open when the session goes is closed (its
// header is released with it, not unprepared). Decoding for a conversion and for playback both
// go through here.
class CodecSession {
  public:
    explicit CodecSession(CodecManager& codecs) : codecs_(codecs) {}
    ~CodecSession();
    CodecSession(const CodecSession&) = delete;
    CodecSession& operator=(const CodecSession&) = delete;

    // Opens a stream from source to pcm and learns the most that one block of blockBytes gives,
    // in whole frames of frameBytes. False when the codec refuses.
    bool Open(const WaveFormat& source, const WaveFormat& pcm, std::uint32_t blockBytes,
              std::uint32_t frameBytes);
    // The buffers for one block and its PCM, and the header over them, prepared. False when the
    // codec refuses; throws std::bad_alloc (the stream closed) when a buffer cannot be had.
    bool Prepare();

    // The room for the next block, blockBytes long.
    std::uint8_t* block() { return block_.data(); }
    // The most PCM bytes one block gives.
    std::uint32_t pcmBytes() const { return header_.destinationLength; }
    // Converts the block; the PCM of whole frames it gave, or nothing when the codec failed or
    // answered beyond the buffer or with part of a frame.
    std::optional<std::span<const std::uint8_t>> Convert();

    // Unprepares the header and closes the stream; false when the codec refused either (the
    // stream is closed all the same).
    bool End();
    // Closes the stream, without unpreparing its header.
    void Close();

  private:
    CodecManager& codecs_;
    CodecStream stream_ = 0;
    bool open_ = false;
    std::uint32_t frameBytes_ = 1;
    CodecStreamHeader header_;
    std::vector<std::uint8_t> block_;
    std::vector<std::uint8_t> pcm_;
};

}  // namespace sonaro
