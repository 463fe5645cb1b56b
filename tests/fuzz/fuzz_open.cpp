// Arbitrary bytes opened as a WAV file through the document, as a user opens one: the reader must
// accept or refuse with exactly one message, never crash, hang or read uninitialised memory.
#include <cstdlib>

#include "document/sonaro_doc.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/fake_codecs.h"
#include "tests/support/fake_sound.h"
#include "tests/support/fake_user.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = sonaro::fuzz::WriteInput(data, size);
    sonaro::test::FakeUser user;
    sonaro::test::FakeSound sound;
    sonaro::test::ProbeCodecs codecs;
    // The last byte chooses whether a codec driver is present, so both probe answers are reached.
    const bool driver = size > 0 && (data[size - 1] & 1U) != 0;
    codecs.suggestResult = driver ? 0 : sonaro::CodecManager::kNotPossible;
    sonaro::CSonaroDoc document(user, sound, codecs);
    const bool opened = document.OnOpenDocument(path);
    // An accepted file shows no message, a refused one exactly one; no codec stream stays open.
    if (user.messages.size() != (opened ? 0U : 1U) || codecs.openStreams != 0) {
        std::abort();
    }
    return 0;
}
