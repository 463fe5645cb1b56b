#include "tests/support/described_sound.h"

#include <filesystem>

#include "convert/codecs/no_codec_manager.h"
#include "convert/operations/operations.h"
#include "convert/stages/5_alaw_file_writer.h"
#include "resources/string_ids.h"

namespace sonaro::test {

SoundDescription Described(const std::string& path) {
    NoCodecManager codecs;
    const Outcome<SoundDescription> opened = OpenSound(path, codecs);
    if (opened) {
        return *opened;
    }
    if (opened.failure().message == IDS_ALREADY_OPTIMISED) {
        const auto length = std::filesystem::file_size(path);
        return ALawResult(path, static_cast<std::uint32_t>(length - kALawHeaderSize));
    }
    SoundDescription unknown;
    unknown.path = path;
    return unknown;
}

}  // namespace sonaro::test
