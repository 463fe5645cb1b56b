#include "import/pcm_wave_writer.h"

#include <cstring>

#include "convert/formats/little_endian.h"
#include "import/import_failure.h"

namespace sonaro {
namespace {

constexpr std::size_t kHeaderBytes = 44;

}  // namespace

const char* const kTooLongForWav = "The sound is too long for a WAV file (over 4 GB).";

PcmWaveWriter::PcmWaveWriter(const std::string& path, int channels, std::uint32_t rate, int bits)
    : file_(path, File::Mode::Write), channels_(channels), rate_(rate), bits_(bits) {
    file_.Write(Header().data(), kHeaderBytes);
}

void PcmWaveWriter::Write(const std::int16_t* samples, std::size_t count) {
    const std::size_t width = bits_ == 8 ? 1 : 2;
    if (dataBytes_ + count * width > kMaxDataBytes) {
        throw ImportFailure(kTooLongForWav);
    }
    bytes_.resize(count * width);
    for (std::size_t i = 0; i < count; ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        if (width == 1) {
            bytes_[i] = static_cast<std::uint8_t>((value >> 8) ^ 0x80);
        } else {
            StoreLE16(&bytes_[2 * i], value);
        }
    }
    file_.Write(bytes_.data(), bytes_.size());
    dataBytes_ += bytes_.size();
}

void PcmWaveWriter::Finish() {
    if (dataBytes_ % 2 != 0) {
        const std::uint8_t pad = 0;
        file_.Write(&pad, 1);
    }
    file_.Seek(0, File::SeekFrom::Begin);
    file_.Write(Header().data(), kHeaderBytes);
    file_.Close();
}

std::vector<std::uint8_t> PcmWaveWriter::Header() const {
    const auto blockAlign = static_cast<std::uint16_t>(channels_ * bits_ / 8);
    const auto dataSize = static_cast<std::uint32_t>(dataBytes_);
    std::vector<std::uint8_t> header(kHeaderBytes);
    std::uint8_t* p = header.data();
    std::memcpy(p, "RIFF", 4);
    StoreLE32(p + 4, static_cast<std::uint32_t>(36 + dataSize + dataSize % 2));
    std::memcpy(p + 8, "WAVEfmt ", 8);
    StoreLE32(p + 16, 16);
    StoreLE16(p + 20, 1);
    StoreLE16(p + 22, static_cast<std::uint16_t>(channels_));
    StoreLE32(p + 24, rate_);
    StoreLE32(p + 28, rate_ * blockAlign);
    StoreLE16(p + 32, blockAlign);
    StoreLE16(p + 34, static_cast<std::uint16_t>(bits_));
    std::memcpy(p + 36, "data", 4);
    StoreLE32(p + 40, dataSize);
    return header;
}

}  // namespace sonaro
