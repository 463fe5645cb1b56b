// The Voxware decoding stage against the test codec driver: the output byte for byte, the calls
// it makes, and its clean-up and single message at every point where it can fail.
#include <gtest/gtest.h>

#include <cerrno>

#include "convert/codecs/plugin_codec_manager.h"
#include "convert/stages/1_voxware_decoder.h"
#include "tests/codec_driver/test_codec_control.h"
#include "tests/convert/stage_test_support.h"
#include "tests/support/fault_injection.h"
#include "tests/support/recording_codecs.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/test_codecs.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

using test::TestCodecFault;

constexpr std::uint32_t kBlockOutput = 1440;

bool HasSample(const std::vector<std::uint8_t>& pcm, std::int16_t sample) {
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
        if (static_cast<std::int16_t>(pcm[i] | (pcm[i + 1] << 8)) == sample) {
            return true;
        }
    }
    return false;
}

const std::string kConversionError = "Voxware conversion error.";

std::vector<std::string> Calls(std::initializer_list<std::string> head, int converts,
                               std::initializer_list<std::string> tail) {
    std::vector<std::string> calls(head);
    calls.insert(calls.end(), static_cast<std::size_t>(converts), "convert(align)=0");
    calls.insert(calls.end(), tail);
    return calls;
}

// The calls of a run that got its stream and prepared its header, then converted some blocks.
std::vector<std::string> PreparedCalls(int converts, std::initializer_list<std::string> tail) {
    return Calls({"suggest=0", "open=0", "size(27)=0", "prepare=0"}, converts, tail);
}

class VoxwareDecoderTest : public testing::Test {
  protected:
    // Writes a Voxware file of these data and codec bytes; the header may claim another size.
    void MakeSource(
        const std::vector<std::uint8_t>& data,
        const std::vector<std::uint8_t>& codecBytes = test::TestCodecBytes(TestCodecFault::None),
        std::optional<std::uint32_t> claimedSize = std::nullopt) {
        auto spec = test::VoxwareSpec(data, codecBytes);
        spec.dataSize = claimedSize;
        const auto bytes = spec.Build();
        input.path = dir.Write("in.wav", bytes);
        input.offset = bytes.size() - data.size();
        input.count = claimedSize.value_or(static_cast<std::uint32_t>(data.size()));
        format = WaveFormat{WAVE_FORMAT_VOXWARE, 1, 8000, 300, 27, 16, 16, {}};
        std::copy(codecBytes.begin(), codecBytes.end(), format.extra.begin());
    }

    bool Decode(CodecManager& codecs, int stopAtReport = 0) {
        run = std::make_unique<test::StageRun>(stopAtReport);
        return run->Run(VoxwareDecoder(codecs, format), {input, output, {0, 3}}, frames);
    }

    // Decodes through the test driver, recording the calls.
    bool Decode(int stopAtReport = 0) {
        RecordingCodecs recorder(manager);
        const bool ok = Decode(recorder, stopAtReport);
        calls = recorder.calls;
        prepared = recorder.prepared;
        return ok;
    }

    // Nothing of the codec stays open or prepared.
    void ExpectReleased() {
        EXPECT_EQ(probe.OpenStreams(), 0);
        EXPECT_EQ(probe.PreparedBuffers(), 0);
    }

    using RecordingCodecs = test::RecordingCodecs;

    test::ScratchDir dir;
    test::TestCodecProbe probe;
    PluginCodecManager manager{{test::DirectoryOf(test::VoxwareCodecLibrary())},
                               [](const std::string&, const std::string&) {}};
    std::unique_ptr<test::StageRun> run;
    StageInput input;
    WaveFormat format;
    const std::string output = dir.File("SN_3_tmp.tmp");
    std::uint32_t frames = 0;
    std::vector<std::string> calls;
    std::vector<CodecStreamHeader> prepared;
};

TEST_F(VoxwareDecoderTest, ConvertsWholeBlocksAndIgnoresTheRest) {
    for (const std::uint32_t blocks : {1U, 2U, 7U}) {
        const auto data = test::VoxwareData(27 * blocks + 5);
        MakeSource(data);
        ASSERT_TRUE(Decode()) << blocks;
        EXPECT_EQ(frames, 720 * blocks);
        const auto expected = test::TestCodecDecode(data);
        ASSERT_EQ(expected.size(), kBlockOutput * blocks);
        if (blocks == 7) {
            EXPECT_TRUE(HasSample(expected, 32767) && HasSample(expected, -32768))
                << "the data reach both limits of the running value";
        }
        EXPECT_EQ(test::ReadAll(output), expected) << blocks;
        EXPECT_EQ(calls, PreparedCalls(static_cast<int>(blocks), {"unprepare=0", "close=0"}));
        EXPECT_TRUE(run->messages.empty());
        ExpectReleased();
    }
}

TEST_F(VoxwareDecoderTest, FewerBytesThanABlockGiveNoFrames) {
    for (const std::size_t size : {26U, 1U}) {
        MakeSource(test::VoxwareData(size));
        frames = 77;
        ASSERT_TRUE(Decode()) << size;
        EXPECT_EQ(frames, 0U);
        EXPECT_TRUE(test::Exists(output));
        EXPECT_TRUE(test::ReadAll(output).empty());
        EXPECT_EQ(calls, PreparedCalls(0, {"unprepare=0", "close=0"}));
        ExpectReleased();
    }
}

TEST_F(VoxwareDecoderTest, HeaderIsSetUpForOneBlockOfWholeSamples) {
    // The driver reports 1441 bytes for a block when told to: the buffer is one byte shorter.
    for (const std::uint8_t flags : {std::uint8_t{0}, test::kTestCodecOddSize}) {
        const auto data = test::VoxwareData(27 * 3);
        MakeSource(data, test::TestCodecBytes(TestCodecFault::None, 1, flags));
        ASSERT_TRUE(Decode());
        ASSERT_EQ(prepared.size(), 1U);
        const CodecStreamHeader& header = prepared[0];
        EXPECT_EQ(header.status, 0U);
        EXPECT_EQ(header.userData, 0U);
        EXPECT_EQ(header.sourceLength, 27U);
        EXPECT_EQ(header.sourceLengthUsed, 0U);
        EXPECT_EQ(header.sourceUserData, 27U);
        EXPECT_EQ(header.destinationLength, kBlockOutput);
        EXPECT_EQ(header.destinationLengthUsed, 0U);
        EXPECT_EQ(header.destinationUserData, kBlockOutput);
        EXPECT_EQ(test::ReadAll(output), test::TestCodecDecode(data));
    }
}

TEST_F(VoxwareDecoderTest, ProgressGoesFromZeroToTwo) {
    const struct {
        std::uint32_t blocks;
        std::vector<int> positions;
    } cases[] = {{1, {0}}, {2, {0, 1}}, {3, {0, 1, 2}}, {10, {0, 1, 2}}};
    for (const auto& c : cases) {
        MakeSource(test::VoxwareData(27 * c.blocks));
        ASSERT_TRUE(Decode());
        // Reports may repeat a position when time passes; the order of positions is fixed.
        EXPECT_EQ(run->progress.ShownPositions(), c.positions) << c.blocks;
    }
}

TEST_F(VoxwareDecoderTest, CancelAtTheFirstBlockUnpreparesAndCloses) {
    MakeSource(test::VoxwareData(27 * 4));
    EXPECT_FALSE(Decode(1));
    EXPECT_EQ(run->messages, std::vector<std::string>{"Conversion cancelled."});
    EXPECT_EQ(calls, PreparedCalls(0, {"unprepare=0", "close=0"}));
    EXPECT_TRUE(test::ReadAll(output).empty());
    ExpectReleased();
}

TEST_F(VoxwareDecoderTest, EveryCodecFailureGivesOneMessageAndItsCleanUp) {
    const std::string fail = std::to_string(test::kTestCodecInjected);
    const std::string notPossible = std::to_string(CodecManager::kNotPossible);
    const struct {
        TestCodecFault fault;
        std::uint8_t nth;
        std::uint8_t flags;
        std::vector<std::string> calls;
        bool outputMade;
        int blocksWritten;
    } cases[] = {
        {TestCodecFault::Suggest, 1, 0, {"suggest=" + notPossible}, false, 0},
        {TestCodecFault::Open, 1, 0, {"suggest=0", "open=" + notPossible}, false, 0},
        {TestCodecFault::Size,
         1,
         0,
         {"suggest=0", "open=0", "size(27)=" + fail, "close=0"},
         false,
         0},
        {TestCodecFault::Prepare, 1, 0,
         Calls({"suggest=0", "open=0", "size(27)=0", "prepare=" + fail, "close=0"}, 0, {}), false,
         0},
        {TestCodecFault::Convert, 1, 0,
         PreparedCalls(0, {"convert(align)=" + fail, "unprepare=0", "close=0"}), true, 0},
        {TestCodecFault::Convert, 3, 0,
         PreparedCalls(2, {"convert(align)=" + fail, "unprepare=0", "close=0"}), true, 2},
        {TestCodecFault::Unprepare, 1, 0, PreparedCalls(4, {"unprepare=" + fail, "close=0"}), true,
         4},
        // An answer beyond the buffer, or half a sample, is a failed conversion.
        {TestCodecFault::None, 1, test::kTestCodecOverlong,
         PreparedCalls(0, {"convert(align)=1", "unprepare=0", "close=0"}), true, 0},
        {TestCodecFault::None, 1, test::kTestCodecOddUsed,
         PreparedCalls(1, {"unprepare=0", "close=0"}), true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault) * 100 + c.nth * 10 + c.flags);
        const auto data = test::VoxwareData(27 * 4);
        MakeSource(data, test::TestCodecBytes(c.fault, c.nth, c.flags));
        std::remove(output.c_str());
        EXPECT_FALSE(Decode());
        EXPECT_EQ(run->messages, std::vector<std::string>{kConversionError});
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(test::Exists(output), c.outputMade);
        if (c.outputMade) {
            const auto expected = test::TestCodecDecode(data);
            EXPECT_EQ(test::ReadAll(output),
                      std::vector<std::uint8_t>(expected.begin(),
                                                expected.begin() + kBlockOutput * c.blocksWritten));
        }
        ExpectReleased();
    }
}

TEST_F(VoxwareDecoderTest, ARefusedCloseIsAFailureAndTheStreamGoesWithTheManager) {
    MakeSource(test::VoxwareData(27 * 2), test::TestCodecBytes(TestCodecFault::Close));
    {
        PluginCodecManager own({test::DirectoryOf(test::VoxwareCodecLibrary())},
                               [](const std::string&, const std::string&) {});
        RecordingCodecs recorder(own);
        EXPECT_FALSE(Decode(recorder));
        EXPECT_EQ(
            recorder.calls,
            PreparedCalls(2, {"unprepare=0", "close=" + std::to_string(test::kTestCodecInjected)}));
        EXPECT_EQ(run->messages, std::vector<std::string>{kConversionError});
        EXPECT_EQ(probe.PreparedBuffers(), 0);
        EXPECT_EQ(probe.OpenStreams(), 1);
    }
    EXPECT_EQ(probe.OpenStreams(), 0);
}

TEST_F(VoxwareDecoderTest, FileErrorsCloseTheStreamWithoutUnpreparing) {
    const struct {
        FileOperation operation;
        int error;
        std::string pathPart;
        std::string message;
        bool outputMade;
    } cases[] = {
        {FileOperation::Open, EACCES, "in.wav", "The file could not be accessed.", false},
        {FileOperation::Seek, EIO, "in.wav", "Hardware error.", false},
        {FileOperation::Length, EIO, "in.wav", "Hardware error.", false},
        {FileOperation::Open, ENOENT, "SN_3", "The file could not be located.", false},
        {FileOperation::Read, EIO, "in.wav", "Hardware error.", true},
        {FileOperation::Write, ENOSPC, "SN_3", "The disk is full.", true},
        {FileOperation::Close, EIO, "SN_3", "Hardware error.", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        MakeSource(test::VoxwareData(27 * 5));
        std::remove(output.c_str());
        bool ok = true;
        {
            test::ScopedFault fault(c.operation, c.error, 1, c.pathPart);
            ok = Decode();
            EXPECT_TRUE(fault.fired());
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(run->messages, std::vector<std::string>{c.message});
        const auto converts = std::count(calls.begin(), calls.end(), "convert(align)=0");
        EXPECT_EQ(calls, PreparedCalls(static_cast<int>(converts), {"close=0"}));
        EXPECT_EQ(converts > 0,
                  c.operation == FileOperation::Write || c.operation == FileOperation::Close);
        EXPECT_EQ(test::Exists(output), c.outputMade);
        ExpectReleased();
    }
}

TEST_F(VoxwareDecoderTest, WithTheCodecGoneTheConversionFailsBeforeAnyFile) {
    MakeSource(test::VoxwareData(27 * 2));
    for (const auto& directories :
         {std::vector<std::string>{}, {test::DirectoryOf(test::OtherTagCodecLibrary())}}) {
        PluginCodecManager other(directories, [](const std::string&, const std::string&) {});
        EXPECT_FALSE(Decode(other));
        EXPECT_EQ(run->messages, std::vector<std::string>{kConversionError});
        EXPECT_FALSE(test::Exists(output));
    }
}

// A header that claims more data than the file holds: the blocks that are there are converted and
// the conversion ends with the data, not with made-up blocks.
TEST_F(VoxwareDecoderTest, DataEndingEarlyEndTheConversion) {
    const auto data = test::VoxwareData(27 * 3 + 4);
    MakeSource(data, test::TestCodecBytes(TestCodecFault::None), 27 * 10);
    ASSERT_TRUE(Decode());
    EXPECT_EQ(frames, 720U * 3);
    EXPECT_EQ(test::ReadAll(output), test::TestCodecDecode(data));
    EXPECT_EQ(calls, PreparedCalls(3, {"unprepare=0", "close=0"}));
}

}  // namespace
}  // namespace sonaro
