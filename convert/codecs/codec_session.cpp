#include "convert/codecs/codec_session.h"

#include <new>

namespace sonaro {

CodecSession::~CodecSession() {
    Close();
}

bool CodecSession::Open(const WaveFormat& source, const WaveFormat& pcm, std::uint32_t blockBytes,
                        std::uint32_t frameBytes) {
    if (codecs_.StreamOpen(&stream_, source, pcm) != 0) {
        return false;
    }
    open_ = true;
    std::uint32_t pcmBytes = 0;
    if (codecs_.StreamSize(stream_, blockBytes, pcmBytes) != 0) {
        Close();
        return false;
    }
    frameBytes_ = frameBytes;
    header_.sourceLength = blockBytes;
    header_.destinationLength = pcmBytes - pcmBytes % frameBytes;
    return true;
}

bool CodecSession::Prepare() {
    try {
        block_.resize(header_.sourceLength);
        pcm_.resize(header_.destinationLength);
    } catch (const std::bad_alloc&) {
        Close();
        throw;
    }
    header_.source = block_.data();
    header_.sourceUserData = header_.sourceLength;
    header_.destination = pcm_.data();
    header_.destinationUserData = header_.destinationLength;
    if (codecs_.PrepareHeader(stream_, header_) != 0) {
        Close();
        return false;
    }
    return true;
}

std::optional<std::span<const std::uint8_t>> CodecSession::Convert() {
    header_.sourceLength = static_cast<std::uint32_t>(block_.size());
    header_.destinationLengthUsed = 0;
    if (codecs_.Convert(stream_, header_, true) != 0) {
        return std::nullopt;
    }
    // More bytes than the buffer holds, or part of a frame, is no answer a codec can give.
    const std::uint32_t used = header_.destinationLengthUsed;
    if (used > header_.destinationLength || used % frameBytes_ != 0) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(pcm_.data(), used);
}

bool CodecSession::End() {
    const bool unprepared = codecs_.UnprepareHeader(stream_, header_) == 0;
    open_ = false;
    return codecs_.StreamClose(stream_) == 0 && unprepared;
}

void CodecSession::Close() {
    if (open_) {
        open_ = false;
        codecs_.StreamClose(stream_);
    }
}

}  // namespace sonaro
