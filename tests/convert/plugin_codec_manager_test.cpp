// The codec manager over driver libraries: where it looks, what it skips, and the rules it keeps
// for streams and headers whatever the driver does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "convert/codecs/plugin_codec_manager.h"
#include "convert/files/install_paths.h"
#include "tests/codec_driver/test_codec_control.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_codecs.h"

namespace sonaro {
namespace {

using test::TestCodecFault;
namespace fs = std::filesystem;

struct Skip {
    std::string path;
    std::string reason;
    bool operator==(const Skip&) const = default;
};

// A manager over these directories that writes down what it skipped.
struct Loaded {
    explicit Loaded(const std::vector<std::string>& directories)
        : manager(directories, [this](const std::string& path, const std::string& reason) {
              skips.push_back({path, reason});
          }) {}

    std::vector<Skip> skips;
    PluginCodecManager manager;
};

WaveFormat VoxwareFormat(
    const std::vector<std::uint8_t>& codecBytes = test::TestCodecBytes(TestCodecFault::None)) {
    WaveFormat format{WAVE_FORMAT_VOXWARE, 1, 8000, 300, 27, 16, 16, {}};
    std::copy(codecBytes.begin(), codecBytes.end(), format.extra.begin());
    return format;
}

const WaveFormat kPcm{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0, {}};

class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name); old != nullptr) {
            old_ = old;
        }
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnvironment() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(PluginCodecManager, SearchesTheCodecPathThenTheInstalledDirectory) {
    // Found from this program's directory, as an installed program finds it.
    const std::string installed = PluginCodecManager::InstalledDirectory();
    const fs::path tree = fs::read_symlink("/proc/self/exe").parent_path().parent_path();
    EXPECT_TRUE(installed.starts_with(tree.string() + "/lib")) << installed;
    EXPECT_TRUE(installed.ends_with("/sonaro/codecs")) << installed;
    {
        ScopedEnvironment path("SONARO_CODEC_PATH", ":first::second/dir:");
        EXPECT_EQ(PluginCodecManager::SearchDirectories(),
                  (std::vector<std::string>{"first", "second/dir", installed}));
    }
    {
        ScopedEnvironment path("SONARO_CODEC_PATH", nullptr);
        EXPECT_EQ(PluginCodecManager::SearchDirectories(), std::vector<std::string>{installed});
    }
}

// Under any prefix the drivers are in its lib directory, the decoder program in its libexec
// directory and the help pages in its share directory, all found from its bin directory.
TEST(InstallPaths, FollowTheProgramDirectory) {
    const std::pair<std::string, std::string> cases[] = {
        {"/usr/bin", "/usr/"}, {"/opt/sonaro/bin/", "/opt/sonaro/"}, {"tree/bin", "tree/"}};
    for (const auto& [bin, prefix] : cases) {
        const InstallPaths paths(bin);
        const std::string codecs = paths.CodecDirectory();
        EXPECT_TRUE(codecs.starts_with(prefix + "lib/") && codecs.ends_with("/sonaro/codecs") &&
                    codecs.find("..") == std::string::npos)
            << codecs;
        EXPECT_EQ(paths.HelpDirectory(), prefix + "share/sonaro/help");
        EXPECT_EQ(paths.DecoderProgram(), prefix + "libexec/sonaro/sonaro-decoder");
    }
    EXPECT_EQ(InstallPaths("").CodecDirectory(), "");
}

TEST(PluginCodecManager, SkipsAndNamesLibrariesThatAreNoDrivers) {
    test::ScratchDir dir;
    fs::copy_file(test::BrokenCodecLibrary(), dir.File("a_broken.so"));
    fs::copy_file(test::WrongVersionCodecLibrary(), dir.File("b_wrong.so"));
    dir.Write("c_junk.so", {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    fs::copy_file(test::VoxwareCodecLibrary(), dir.File("d_good.so"));
    dir.Write("e_notes.txt", {'x'});
    fs::create_directory(dir.File("f_dir.so"));
    fs::create_symlink(dir.File("d_good.so"), dir.File("g_link.so"));

    Loaded loaded({dir.path(), dir.File("missing"), dir.File("e_notes.txt")});
    ASSERT_EQ(loaded.skips.size(), 3U);
    EXPECT_EQ(loaded.skips[0],
              (Skip{dir.File("a_broken.so"), "no entry point sonaro_codec_driver_entry"}));
    EXPECT_EQ(loaded.skips[1], (Skip{dir.File("b_wrong.so"),
                                     "driver interface version 99, this program needs version 1"}));
    EXPECT_EQ(loaded.skips[2].path, dir.File("c_junk.so"));
    EXPECT_TRUE(loaded.skips[2].reason.starts_with("cannot be loaded: ")) << loaded.skips[2].reason;
    EXPECT_EQ(loaded.skips[2].reason.find(dir.path()), std::string::npos) << "path said twice";
    // The link reaches the library already loaded: it is not skipped.
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    EXPECT_EQ(loaded.manager.FormatSuggest(VoxwareFormat(), pcm), 0);
}

TEST(PluginCodecManager, WithoutDriversNothingIsPossible) {
    Loaded loaded({});
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    EXPECT_EQ(loaded.manager.FormatSuggest(VoxwareFormat(), pcm), CodecManager::kNotPossible);
    EXPECT_EQ(pcm, WaveFormat{WAVE_FORMAT_PCM}) << "destination untouched";
    CodecStream stream = 0;
    EXPECT_EQ(loaded.manager.StreamOpen(nullptr, VoxwareFormat(), kPcm),
              CodecManager::kNotPossible);
    EXPECT_EQ(loaded.manager.StreamOpen(&stream, VoxwareFormat(), kPcm),
              CodecManager::kNotPossible);
}

TEST(PluginCodecManager, ADriverOfAnotherTagDoesNotAnswerForVoxware) {
    Loaded loaded({test::DirectoryOf(test::OtherTagCodecLibrary())});
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    EXPECT_EQ(loaded.manager.FormatSuggest(VoxwareFormat(), pcm), CodecManager::kNotPossible);
    EXPECT_EQ(loaded.manager.StreamOpen(nullptr, VoxwareFormat(), kPcm),
              CodecManager::kNotPossible);
    WaveFormat own = VoxwareFormat();
    own.formatTag = 0x31;
    EXPECT_EQ(loaded.manager.FormatSuggest(own, pcm), 0);
    EXPECT_EQ(pcm, kPcm);
}

TEST(PluginCodecManager, AskedInOrderTheFirstDriverThatCanAnswers) {
    test::TestCodecProbe probe;
    Loaded loaded({test::DirectoryOf(test::OtherTagCodecLibrary()),
                   test::DirectoryOf(test::VoxwareCodecLibrary())});
    EXPECT_TRUE(loaded.skips.empty());
    WaveFormat pcm;
    pcm.formatTag = WAVE_FORMAT_PCM;
    EXPECT_EQ(loaded.manager.FormatSuggest(VoxwareFormat(), pcm), 0);
    EXPECT_EQ(pcm, kPcm);
    EXPECT_EQ(loaded.manager.StreamOpen(nullptr, VoxwareFormat(), pcm), 0);
    EXPECT_EQ(probe.OpenStreams(), 0) << "a query opens nothing";
    // Only the tag is fixed by the caller: a suggestion for another tag is refused.
    WaveFormat alaw;
    alaw.formatTag = WAVE_FORMAT_ALAW;
    EXPECT_EQ(loaded.manager.FormatSuggest(VoxwareFormat(), alaw), CodecManager::kNotPossible);
}

// A stream of the Voxware test driver with one prepared header over owned buffers.
struct OpenStream {
    explicit OpenStream(CodecManager& codecs, TestCodecFault fault = TestCodecFault::None,
                        std::uint8_t nth = 1, std::uint8_t flags = 0)
        : source(27 * 2, 0), destination(1440 * 2) {
        EXPECT_EQ(codecs.StreamOpen(&stream, VoxwareFormat(test::TestCodecBytes(fault, nth, flags)),
                                    kPcm),
                  0);
        header.source = source.data();
        header.sourceLength = static_cast<std::uint32_t>(source.size());
        header.destination = destination.data();
        header.destinationLength = static_cast<std::uint32_t>(destination.size());
    }

    CodecStream stream = 0;
    std::vector<std::uint8_t> source;
    std::vector<std::uint8_t> destination;
    CodecStreamHeader header;
};

TEST(PluginCodecManager, UnknownAndClosedHandlesAreRefused) {
    test::TestCodecProbe probe;
    Loaded loaded({test::DirectoryOf(test::VoxwareCodecLibrary())});
    PluginCodecManager& codecs = loaded.manager;
    OpenStream open(codecs);
    ASSERT_NE(open.stream, 0U);
    EXPECT_EQ(probe.OpenStreams(), 1);
    std::uint32_t size = 0;
    for (const CodecStream bad : {CodecStream{0}, open.stream + 1, CodecStream{~0ULL}}) {
        CodecStreamHeader header = open.header;
        EXPECT_EQ(codecs.StreamSize(bad, 27, size), CodecManager::kInvalidHandle);
        EXPECT_EQ(codecs.PrepareHeader(bad, header), CodecManager::kInvalidHandle);
        EXPECT_EQ(codecs.Convert(bad, header, true), CodecManager::kInvalidHandle);
        EXPECT_EQ(codecs.UnprepareHeader(bad, header), CodecManager::kInvalidHandle);
        EXPECT_EQ(codecs.StreamClose(bad), CodecManager::kInvalidHandle);
    }
    EXPECT_EQ(codecs.StreamSize(open.stream, 27, size), 0);
    EXPECT_EQ(size, 1440U);
    EXPECT_EQ(codecs.StreamClose(open.stream), 0);
    EXPECT_EQ(codecs.StreamClose(open.stream), CodecManager::kInvalidHandle);
    EXPECT_EQ(codecs.StreamSize(open.stream, 27, size), CodecManager::kInvalidHandle);
    EXPECT_EQ(probe.OpenStreams(), 0);
    // A new stream never gets the handle of a closed one.
    OpenStream again(codecs);
    EXPECT_NE(again.stream, open.stream);
    EXPECT_EQ(codecs.StreamClose(again.stream), 0);
}

TEST(PluginCodecManager, HeadersAreConvertedOnlyWhilePrepared) {
    test::TestCodecProbe probe;
    Loaded loaded({test::DirectoryOf(test::VoxwareCodecLibrary())});
    PluginCodecManager& codecs = loaded.manager;
    OpenStream open(codecs);
    CodecStreamHeader& header = open.header;
    EXPECT_EQ(codecs.Convert(open.stream, header, true), CodecManager::kNotPrepared);
    EXPECT_EQ(codecs.UnprepareHeader(open.stream, header), CodecManager::kNotPrepared);

    CodecStreamHeader missing = header;
    missing.source = nullptr;
    EXPECT_EQ(codecs.PrepareHeader(open.stream, missing), CodecManager::kInvalidParameter);
    missing = header;
    missing.destinationLength = 0;
    EXPECT_EQ(codecs.PrepareHeader(open.stream, missing), CodecManager::kInvalidParameter);
    EXPECT_EQ(probe.PreparedBuffers(), 0);

    ASSERT_EQ(codecs.PrepareHeader(open.stream, header), 0);
    EXPECT_EQ(header.status, CodecStreamHeader::kPrepared);
    EXPECT_EQ(codecs.PrepareHeader(open.stream, header), CodecManager::kNotPrepared);
    EXPECT_EQ(probe.PreparedBuffers(), 1);

    header.sourceLength = 27;
    ASSERT_EQ(codecs.Convert(open.stream, header, true), 0);
    EXPECT_EQ(header.status, CodecStreamHeader::kPrepared | CodecStreamHeader::kDone);
    EXPECT_EQ(header.sourceLengthUsed, 27U);
    EXPECT_EQ(header.destinationLengthUsed, 1440U);

    // Longer or other buffers than were prepared are refused, and leave the answer alone.
    header.sourceLength = 28 * 2;
    EXPECT_EQ(codecs.Convert(open.stream, header, true), CodecManager::kInvalidParameter);
    header.sourceLength = 27;
    std::vector<std::uint8_t> other(1440 * 2);
    header.destination = other.data();
    EXPECT_EQ(codecs.Convert(open.stream, header, true), CodecManager::kInvalidParameter);
    header.destination = open.destination.data();
    EXPECT_EQ(header.destinationLengthUsed, 1440U);

    // The driver's own refusal is passed on: the buffer is shorter than two blocks give.
    header.sourceLength = 54;
    header.destinationLength = 1440;
    EXPECT_EQ(codecs.Convert(open.stream, header, true), test::kTestCodecTooSmall);
    EXPECT_EQ(header.status, CodecStreamHeader::kPrepared);

    EXPECT_EQ(codecs.UnprepareHeader(open.stream, header), 0);
    EXPECT_EQ(header.status, 0U);
    EXPECT_EQ(codecs.UnprepareHeader(open.stream, header), CodecManager::kNotPrepared);
    EXPECT_EQ(probe.PreparedBuffers(), 0);
    EXPECT_EQ(codecs.StreamClose(open.stream), 0);
}

TEST(PluginCodecManager, StreamsLeftOpenAreClosedWhenTheManagerGoes) {
    test::TestCodecProbe probe;
    {
        Loaded loaded({test::DirectoryOf(test::VoxwareCodecLibrary())});
        OpenStream first(loaded.manager);
        OpenStream second(loaded.manager);
        ASSERT_EQ(loaded.manager.PrepareHeader(second.stream, second.header), 0);
        // A refused close leaves the stream open and known.
        OpenStream stubborn(loaded.manager, TestCodecFault::Close);
        EXPECT_EQ(loaded.manager.StreamClose(stubborn.stream), test::kTestCodecInjected);
        EXPECT_EQ(probe.OpenStreams(), 3);
        EXPECT_EQ(probe.PreparedBuffers(), 1);
    }
    EXPECT_EQ(probe.OpenStreams(), 0);
    EXPECT_EQ(probe.PreparedBuffers(), 0);
}

TEST(PluginCodecManager, ThreadsShareOneManager) {
    test::TestCodecProbe probe;
    Loaded loaded({test::DirectoryOf(test::VoxwareCodecLibrary())});
    constexpr int kThreads = 4;
    constexpr int kRounds = 50;
    std::vector<std::vector<std::uint8_t>> outputs(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                OpenStream open(loaded.manager);
                open.source.assign(open.source.size(), static_cast<std::uint8_t>(t + 1));
                open.header.sourceLength = 27;
                if (loaded.manager.PrepareHeader(open.stream, open.header) != 0 ||
                    loaded.manager.Convert(open.stream, open.header, true) != 0 ||
                    loaded.manager.UnprepareHeader(open.stream, open.header) != 0 ||
                    loaded.manager.StreamClose(open.stream) != 0) {
                    return;
                }
                open.destination.resize(open.header.destinationLengthUsed);
                outputs[t] = open.destination;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(outputs[t].size(), 1440U) << t;
        // Step t + 2, start 0x0101 * (t + 1), slope t + 1: the first sample is start + slope *
        // step.
        const int start = 0x0101 * (t + 1);
        const int first = start + (t + 1) * (t + 2);
        EXPECT_EQ(outputs[t][0] | (outputs[t][1] << 8), first) << t;
    }
    EXPECT_EQ(probe.OpenStreams(), 0);
}

}  // namespace
}  // namespace sonaro
