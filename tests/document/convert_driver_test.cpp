// The Convert command end to end through the document: the result's record, the state table,
// re-conversion, cancellation at every report and the temporary files left behind.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <numeric>

#include "convert/codecs/no_codec_manager.h"
#include "document/sonaro_doc.h"
#include "tests/support/fake_sound.h"
#include "tests/support/fake_user.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

std::vector<std::int16_t> Tone(std::size_t frames, unsigned channels, double frequency, double rate,
                               double amplitude = 12000.0) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < frames; ++i) {
        const double value = amplitude * std::sin(2.0 * std::numbers::pi * frequency *
                                                  static_cast<double>(i) / rate);
        for (unsigned c = 0; c < channels; ++c) {
            samples.push_back(static_cast<std::int16_t>(std::lround(value / (c + 1))));
        }
    }
    return samples;
}

class ConvertTest : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("TMPDIR", tempRoot.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    std::string Input(std::uint32_t rate = 44100, std::size_t frames = 44100,
                      unsigned channels = 2) {
        return dir.Write("in.wav", test::Pcm16Spec(rate, static_cast<std::uint16_t>(channels),
                                                   Tone(frames, channels, 1000.0, rate))
                                       .Build());
    }
    // The intermediate and result files that exist now in the document's temporary directory.
    std::vector<std::string> TempFiles() const { return tempRoot.ListBelow(); }
    void SetVolume(int level) {
        user.settings = [level](SettingsValues& values) {
            values.volumeLevel = level;
            return true;
        };
        doc.OnSettings();
    }

    test::ScratchDir tempRoot;
    test::ScratchDir dir;
    test::FakeUser user;
    test::FakeSound sound;
    NoCodecManager codecs;
    CSonaroDoc doc{user, sound, codecs};
};

TEST_F(ConvertTest, ResultDescribesTheALawFile) {
    ASSERT_TRUE(doc.OnOpenDocument(Input()));
    const int updatesBefore = user.viewUpdates;
    doc.OnConvert();
    ASSERT_TRUE(user.messages.empty()) << user.messages.front();
    const FormatRecord& record = doc.record();
    EXPECT_EQ(record.formatName, "A-Law");
    EXPECT_EQ(record.formatTag, 6);
    EXPECT_EQ(record.samplesPerSec, 8000U);
    EXPECT_EQ(record.bitsPerSample, 8);
    EXPECT_EQ(record.channels, 1);
    EXPECT_EQ(record.dataSize, 8255U);
    EXPECT_EQ(record.playbackSeconds, static_cast<float>(8255 * double{0.000125F}));
    EXPECT_EQ(record.sizeKB, 9U);  // 8313 bytes
    EXPECT_TRUE(record.playable);
    EXPECT_EQ(record.dataOffset, 44U) << "the input's own fields stay";
    EXPECT_TRUE(doc.converted());
    EXPECT_TRUE(doc.resultUnsaved());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(doc.OnUpdateConvert());
    EXPECT_TRUE(doc.OnUpdateFileSaveAs());
    EXPECT_EQ(user.viewUpdates, updatesBefore + 1);
    EXPECT_EQ(TempFiles(), std::vector<std::string>{"SN_2_tmp.tmp"});
    EXPECT_EQ(std::filesystem::file_size(doc.convertedPath()), 8255U + 58U);
    EXPECT_EQ(user.events, (std::vector<std::string>{"Progress(Converting..., in.wav)", "Closed"}));
    EXPECT_TRUE(
        std::is_sorted(user.lastProgress.positions.begin(), user.lastProgress.positions.end()));
    EXPECT_GE(user.lastProgress.positions.front(), 3);
    EXPECT_LE(user.lastProgress.positions.back(), 99);
    EXPECT_EQ(sound.stops, 2) << "playback stops before the open and before the conversion";
}

// Random ADPCM blocks of 256 bytes (500 frames of one channel) with valid predictors.
std::vector<std::uint8_t> AdpcmBlocks(std::size_t blocks) {
    std::vector<std::uint8_t> data(blocks * 256);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i % 256 == 0 ? i / 256 % 7 : i * 7919 % 251);
    }
    return data;
}

// Every report of every stage is a point where the user may cancel; whichever it is, the document
// and the temporary directory are as they were before Convert, the decoded SN_3_tmp.tmp included.
// Run to its end, the bar passes every position from where the chain starts to 99, in order.
TEST_F(ConvertTest, CancelAtEveryReportLeavesNothingBehind) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        int firstPosition;  // a PCM source has no decoding
    } cases[] = {
        {"pcm.wav", test::Pcm16Spec(16000, 1, Tone(40000, 1, 1000.0, 16000)).Build(), 3},
        {"adpcm.wav", test::AdpcmSpec(16000, 1, 256, 500, AdpcmBlocks(40)).Build(), 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(doc.OnOpenDocument(dir.Write(c.name, c.file)));
        const FormatRecord before = doc.record();
        for (int report = 1;; ++report) {
            user.messages.clear();
            user.events.clear();
            user.cancelAtReport = report;
            doc.OnConvert();
            if (doc.converted()) {
                EXPECT_GT(report, 100 - c.firstPosition) << c.name << ": a report per position";
                break;
            }
            ASSERT_EQ(user.events, (std::vector<std::string>{
                                       "Progress(Converting..., " + std::string(c.name) + ")",
                                       "Message(Conversion cancelled.)", "Closed"}))
                << c.name << " " << report << ": the box over the progress window";
            EXPECT_TRUE(TempFiles().empty()) << c.name << " " << report;
            EXPECT_EQ(doc.record().formatName, before.formatName);
            EXPECT_EQ(doc.record().dataSize, before.dataSize);
            EXPECT_TRUE(doc.convertedPath().empty());
            EXPECT_TRUE(doc.OnUpdateConvert());
            ASSERT_LT(report, 10000);
        }
        EXPECT_EQ(TempFiles(), std::vector<std::string>{"SN_2_tmp.tmp"}) << c.name;
        std::vector<int> bar(static_cast<std::size_t>(100 - c.firstPosition));
        std::iota(bar.begin(), bar.end(), c.firstPosition);
        EXPECT_EQ(user.lastProgress.ShownPositions(), bar) << c.name;
    }
}

TEST_F(ConvertTest, ReconvertAfterVolumeChange) {
    ASSERT_TRUE(doc.OnOpenDocument(Input()));
    doc.OnConvert();
    const auto loud = test::ReadAll(doc.convertedPath());
    SetVolume(5);
    EXPECT_TRUE(doc.OnUpdateConvert()) << "a new level allows converting again";
    doc.OnConvert();
    const auto soft = test::ReadAll(doc.convertedPath());
    ASSERT_EQ(loud.size(), soft.size());
    EXPECT_NE(loud, soft);
    EXPECT_EQ(doc.record().dataSize, 8255U);
    EXPECT_EQ(TempFiles(), std::vector<std::string>{"SN_2_tmp.tmp"});
    SetVolume(5);
    EXPECT_FALSE(doc.OnUpdateConvert()) << "the same level changes nothing";
}

// The record shows the source again, its own size and play rule included: the result it described
// is gone.
TEST_F(ConvertTest, CancelledReconversionRestoresTheSource) {
    ASSERT_TRUE(doc.OnOpenDocument(Input()));
    const FormatRecord source = doc.record();
    doc.OnConvert();
    ASSERT_NE(doc.record().sizeKB, source.sizeKB);
    SetVolume(3);
    user.cancelAtReport = 2;
    doc.OnConvert();
    EXPECT_EQ(doc.record().formatName, "PCM");
    EXPECT_EQ(doc.record().samplesPerSec, 44100U);
    EXPECT_EQ(doc.record().sizeKB, source.sizeKB) << "the source's own size, not the gone result's";
    EXPECT_EQ(doc.record().playable, source.playable);
    EXPECT_TRUE(doc.converted());
    EXPECT_TRUE(TempFiles().empty()) << "the previous result went first";
    user.messages.clear();
    user.savePath = dir.File("out.wav");
    doc.OnFileSaveAs();
    EXPECT_EQ(user.messages, std::vector<std::string>{"Temporary file removed! Unable to save."});
}

TEST_F(ConvertTest, SaveAsCopiesTheResult) {
    ASSERT_TRUE(doc.OnOpenDocument(Input()));
    doc.OnConvert();
    user.savePath = dir.File("result.wav");
    doc.OnFileSaveAs();
    EXPECT_EQ(test::ReadAll(*user.savePath), test::ReadAll(doc.convertedPath()));
    EXPECT_EQ(doc.sourcePath(), *user.savePath);
    EXPECT_EQ(doc.fileName(), "result.wav");
    EXPECT_TRUE(doc.resultSaved());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.OnUpdateConvert());
    EXPECT_TRUE(doc.OnUpdateFileSaveAs()) << "Save As may be repeated";
    SetVolume(2);
    EXPECT_FALSE(doc.OnUpdateConvert()) << "never after the result was saved";
    doc.OnFileSaveAs();
    ASSERT_EQ(user.saveDialogs.size(), 2U);
    EXPECT_EQ(user.saveDialogs[1], std::make_pair(dir.path() + "/", std::string("result.wav")));
}

TEST_F(ConvertTest, SavePromptOnTheNextOpen) {
    const std::string first = Input();
    const std::string second = dir.Write("second.wav", test::PcmSpec(8000, 1, 8).Build());
    struct {
        SaveAnswer answer;
        bool opened;
        bool saved;
    } const cases[] = {{SaveAnswer::Cancel, false, false},
                       {SaveAnswer::No, true, false},
                       {SaveAnswer::Yes, true, true}};
    for (const auto& c : cases) {
        ASSERT_TRUE(doc.OnOpenDocument(first));
        doc.OnConvert();
        const std::string result = doc.convertedPath();
        user.saveAnswer = c.answer;
        user.savePath = dir.File("saved.wav");
        std::filesystem::remove(*user.savePath);
        EXPECT_EQ(doc.OnOpenDocument(second), c.opened);
        EXPECT_EQ(test::Exists(*user.savePath), c.saved);
        EXPECT_EQ(test::Exists(result), !c.opened) << "the unsaved result goes with the open";
        EXPECT_EQ(doc.fileName(), c.opened ? "second.wav" : "in.wav");
        if (!c.opened) {
            EXPECT_TRUE(doc.IsModified());
            user.saveAnswer = SaveAnswer::No;
        }
    }
}

TEST_F(ConvertTest, Mono8000PassesEveryStage) {
    std::vector<std::uint8_t> data(12345);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(128 + 100 * std::sin(static_cast<double>(i) / 7.0));
    }
    ASSERT_TRUE(doc.OnOpenDocument(dir.Write("low.wav", test::PcmSpec(8000, 1, 8, data).Build())));
    doc.OnConvert();
    EXPECT_EQ(doc.record().dataSize, 12345U);
    EXPECT_EQ(test::ReadAll(doc.convertedPath()).size(), 12345U + 58U);
}

// A data chunk that claims more than the file holds is converted from what is there: a size
// field of gigabytes on a small file does not turn into gigabytes of silence.
TEST_F(ConvertTest, ClaimedDataBeyondTheFileAreNotMadeUp) {
    auto pcm = test::Pcm16Spec(16000, 1, Tone(1000, 1, 500.0, 16000));
    pcm.dataSize = 1000000;
    auto adpcm = test::AdpcmSpec(8000, 1, 256, 500, AdpcmBlocks(3));
    adpcm.dataSize = 0xFFFFFFF0U;
    const struct {
        test::WavSpec spec;
        std::uint32_t results;
    } cases[] = {{pcm, (481U + 999U + 1U) / 2U}, {adpcm, 3U * 500U}};
    for (const auto& c : cases) {
        ASSERT_TRUE(doc.OnOpenDocument(dir.Write("claims.wav", c.spec.Build())));
        doc.OnConvert();
        ASSERT_TRUE(user.messages.empty()) << user.messages.front();
        EXPECT_EQ(doc.record().dataSize, c.results);
    }
}

TEST_F(ConvertTest, LargeResultIsNotPlayed) {
    user.settings = [](SettingsValues& values) {
        values.autoPlayAfterConvert = true;
        return true;
    };
    doc.OnSettings();
    ASSERT_TRUE(doc.OnOpenDocument(dir.Write(
        "long.wav", test::PcmSpec(8000, 1, 8, std::vector<std::uint8_t>(2097094, 100)).Build())));
    sound.played.clear();
    doc.OnConvert();
    EXPECT_FALSE(doc.record().playable) << "2097094 + 58 bytes is 2 MiB";
    EXPECT_FALSE(doc.OnUpdatePlay());
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(user.messages,
              std::vector<std::string>{"Playback of files over 2MB is not allowed."});
}

TEST_F(ConvertTest, AutoPlayAfterConvertPlaysTheResult) {
    user.settings = [](SettingsValues& values) {
        values.autoPlayAfterConvert = true;
        return true;
    };
    doc.OnSettings();
    ASSERT_TRUE(doc.OnOpenDocument(Input()));
    doc.OnConvert();
    ASSERT_EQ(sound.played.size(), 1U);
    EXPECT_EQ(sound.played[0], doc.convertedPath());
    doc.OnPlay();
    EXPECT_EQ(sound.played.back(), doc.convertedPath()) << "Play plays the result";
}

TEST_F(ConvertTest, EndOfTheDocumentRemovesTheResult) {
    std::string result;
    {
        test::FakeUser otherUser;
        CSonaroDoc other(otherUser, sound, codecs);
        ASSERT_TRUE(other.OnOpenDocument(Input()));
        other.OnConvert();
        result = other.convertedPath();
        ASSERT_TRUE(test::Exists(result));
    }
    EXPECT_FALSE(test::Exists(result));
    EXPECT_TRUE(std::filesystem::is_empty(tempRoot.path()));
}

}  // namespace
}  // namespace sonaro
