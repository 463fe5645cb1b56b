// A Voxware file whose 16 codec bytes and data come from the fuzzer, opened and converted through
// the codec manager and the test driver. The codec bytes steer the driver into failing or giving
// impossible answers at any call: every run ends with a result or exactly one message, and no
// stream stays open.
#include <cstdlib>
#include <filesystem>

#include "convert/codecs/plugin_codec_manager.h"
#include "document/sonaro_doc.h"
#include "tests/codec_driver/test_codec_control.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/fake_sound.h"
#include "tests/support/fake_user.h"
#include "tests/support/test_codecs.h"
#include "tests/support/wav_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kCodecBytes = 16;
    if (size < kCodecBytes) {
        return 0;
    }
    const std::vector<std::uint8_t> codecBytes(data, data + kCodecBytes);
    const std::vector<std::uint8_t> audio(data + kCodecBytes, data + size);
    const auto file = sonaro::test::VoxwareSpec(audio, codecBytes).Build();
    const std::string path = sonaro::fuzz::WriteInput(file.data(), file.size());

    // One manager for the whole run, as in the program: a stream left open by one input shows in
    // the driver's count after it. Only a driver told to refuse closing keeps one (the manager
    // closes it when it goes).
    static sonaro::test::TestCodecProbe probe;
    static sonaro::PluginCodecManager codecs(
        {sonaro::test::DirectoryOf(sonaro::test::VoxwareCodecLibrary())},
        [](const std::string&, const std::string&) { std::abort(); });
    const int streamsBefore = probe.OpenStreams();
    const bool closeRefused =
        codecBytes[0] == static_cast<std::uint8_t>(sonaro::test::TestCodecFault::Close);
    sonaro::test::FakeUser user;
    sonaro::test::FakeSound sound;
    {
        sonaro::CSonaroDoc document(user, sound, codecs);
        if (document.OnOpenDocument(path)) {
            document.OnConvert();
            if (user.messages.size() > 1) {
                std::abort();
            }
        }
    }
    if (probe.OpenStreams() > streamsBefore + (closeRefused ? 1 : 0) ||
        probe.PreparedBuffers() != 0) {
        std::abort();
    }
    return 0;
}
