// Arbitrary bytes opened as a WAV file and, when accepted, converted by the document: every run
// ends with the A-law result described by the record or with exactly one message, and never
// crashes, hangs or reads uninitialised memory.
#include <cstdlib>
#include <filesystem>

#include "convert/codecs/no_codec_manager.h"
#include "document/sonaro_doc.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/fake_sound.h"
#include "tests/support/fake_user.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = sonaro::fuzz::WriteInput(data, size);
    sonaro::test::FakeUser user;
    sonaro::test::FakeSound sound;
    sonaro::NoCodecManager codecs;
    sonaro::CSonaroDoc document(user, sound, codecs);
    if (!document.OnOpenDocument(path)) {
        return 0;
    }
    document.OnConvert();
    Check(user.messages.size() <= 1);
    if (user.messages.empty()) {
        const sonaro::FormatRecord& record = document.record();
        Check(record.formatTag == sonaro::WAVE_FORMAT_ALAW && document.IsModified());
        Check(std::filesystem::file_size(document.convertedPath()) == record.dataSize + 58U);
    }
    return 0;
}
