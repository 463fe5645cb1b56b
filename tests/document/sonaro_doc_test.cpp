// The document's open paths, playback rules, settings and command enabling.
#include "document/sonaro_doc.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "convert/codecs/no_codec_manager.h"
#include "tests/support/fake_sound.h"
#include "tests/support/fake_user.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

class DocTest : public ::testing::Test {
  protected:
    std::string ValidFile(const std::string& name = "in.wav") {
        return dir.Write(name, test::PcmSpec(44100, 2, 16).Build());
    }
    void SetSettings(int volume, bool afterOpen, bool afterConvert) {
        user.settings = [=](SettingsValues& values) {
            values.volumeLevel = volume;
            values.autoPlayAfterOpen = afterOpen;
            values.autoPlayAfterConvert = afterConvert;
            return true;
        };
        doc.OnSettings();
    }

    test::ScratchDir dir;
    test::FakeUser user;
    test::FakeSound sound;
    NoCodecManager codecs;
    CSonaroDoc doc{user, sound, codecs};
};

TEST_F(DocTest, StartsEmptyWithDefaultSettings) {
    EXPECT_TRUE(doc.sourcePath().empty());
    EXPECT_EQ(doc.volumeLevel(), 10);
    EXPECT_FALSE(doc.autoPlayAfterOpen());
    EXPECT_FALSE(doc.autoPlayAfterConvert());
    EXPECT_TRUE(doc.convertEnabled());
    EXPECT_EQ(doc.soundDeviceCount(), 1U);
    EXPECT_FALSE(doc.OnUpdateConvert());
    EXPECT_FALSE(doc.OnUpdatePlay());
    EXPECT_FALSE(doc.OnUpdateFileSaveAs());
}

TEST_F(DocTest, OpenAcceptedFile) {
    const std::string path = ValidFile();
    EXPECT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.sourcePath(), path);
    EXPECT_EQ(doc.fileName(), "in.wav");
    EXPECT_EQ(doc.openDirectory(), dir.path() + "/");
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(user.viewUpdates, 1);
    EXPECT_EQ(sound.stops, 1) << "playback stops before a file is read";
    EXPECT_TRUE(doc.OnUpdateConvert());
    EXPECT_TRUE(doc.OnUpdatePlay());
    EXPECT_FALSE(doc.OnUpdateFileSaveAs());
}

TEST_F(DocTest, RefusedFileShowsPathAndReason) {
    doc.OnOpenDocument(ValidFile());
    const std::string bad = dir.Write("bad.wav", {'R', 'I', 'F', 'X', 0, 0, 0, 0});
    EXPECT_FALSE(doc.OnOpenDocument(bad));
    ASSERT_EQ(user.messages.size(), 1U);
    EXPECT_EQ(user.messages[0], bad + ":\nNot a RIFF file.");
    EXPECT_TRUE(doc.sourcePath().empty()) << "the document is empty after a refusal";
    EXPECT_EQ(user.viewUpdates, 2);
    EXPECT_FALSE(doc.OnUpdateConvert());
}

TEST_F(DocTest, UnreadableFilesAreToldByName) {
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {{dir.File("missing.wav"), "The file could not be located."},
                 {dir.path(), "The file could not be accessed."},
                 {dir.Write("plain", {1}) + "/x.wav", "The path is invalid."}};
    for (const auto& c : cases) {
        user.messages.clear();
        EXPECT_FALSE(doc.OnOpenDocument(c.path));
        ASSERT_EQ(user.messages.size(), 1U);
        EXPECT_EQ(user.messages[0], c.path + ":\n" + c.reason);
    }
    EXPECT_EQ(user.viewUpdates, 3) << "views show the cleared document";
}

TEST_F(DocTest, PathWithoutDirectory) {
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    ValidFile("plain.wav");
    EXPECT_TRUE(doc.OnOpenDocument("plain.wav"));
    std::filesystem::current_path(cwd);
    EXPECT_EQ(doc.openDirectory(), "");
    EXPECT_EQ(doc.fileName(), "plain.wav");
}

TEST_F(DocTest, FileOpenUsesTheDialogFromTheLastDirectory) {
    user.openPath = ValidFile();
    doc.OnFileOpen();
    user.openPath.reset();
    doc.OnFileOpen();  // cancelled: nothing changes
    ASSERT_EQ(user.openDialogs.size(), 2U);
    EXPECT_EQ(user.openDialogs[0], "");
    EXPECT_EQ(user.openDialogs[1], dir.path() + "/");
    EXPECT_EQ(doc.fileName(), "in.wav");
    EXPECT_EQ(user.viewUpdates, 1);
}

TEST_F(DocTest, AutoPlayAfterOpen) {
    SetSettings(10, true, false);
    const std::string path = ValidFile();
    doc.OnOpenDocument(path);
    ASSERT_EQ(sound.played.size(), 1U);
    EXPECT_EQ(sound.played[0], path);
}

TEST_F(DocTest, AutoPlayOfALargeFileShowsTheLimitAndStillOpens) {
    SetSettings(10, true, false);
    const std::string path = dir.Write(
        "big.wav", test::PcmSpec(44100, 2, 16, std::vector<std::uint8_t>(0x200000)).Build());
    EXPECT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(sound.played.empty());
    ASSERT_EQ(user.messages.size(), 1U);
    EXPECT_EQ(user.messages[0], "Playback of files over 2MB is not allowed.");
    EXPECT_FALSE(doc.OnUpdatePlay());
}

TEST_F(DocTest, PlaybackMessages) {
    doc.OnOpenDocument(ValidFile());
    sound.playResult = false;
    doc.OnPlay();
    sound.stopResult = false;
    doc.OnStop();
    const std::vector<std::string> expected = {"Can not start playback.", "Can not stop playback."};
    EXPECT_EQ(user.messages, expected);
    EXPECT_EQ(sound.played.back(), doc.sourcePath()) << "before a conversion Play plays the input";
}

TEST(DocWithoutSound, PlaysNothingAndSaysNothing) {
    test::ScratchDir dir;
    test::FakeUser user;
    test::FakeSound sound(0);
    NoCodecManager codecs;
    CSonaroDoc doc(user, sound, codecs);
    doc.OnOpenDocument(dir.Write("in.wav", test::PcmSpec(8000, 1, 8).Build()));
    doc.OnPlay();
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(sound.stops, 0);
    EXPECT_TRUE(user.messages.empty());
    EXPECT_FALSE(doc.OnUpdatePlay());
}

TEST_F(DocTest, SettingsCancelChangesNothing) {
    user.settings = [](SettingsValues& values) {
        values.volumeLevel = 3;
        values.autoPlayAfterOpen = true;
        return false;
    };
    doc.OnSettings();
    ASSERT_EQ(user.settingsShown.size(), 1U);
    EXPECT_EQ(user.settingsShown[0].soundDeviceCount, 1U);
    EXPECT_EQ(user.settingsShown[0].volumeLevel, 10);
    EXPECT_EQ(doc.volumeLevel(), 10);
    EXPECT_FALSE(doc.autoPlayAfterOpen());
}

TEST_F(DocTest, SettingsOkKeepsValuesAcrossFiles) {
    SetSettings(4, false, true);
    doc.OnOpenDocument(ValidFile());
    doc.ResetRecord();
    EXPECT_EQ(doc.volumeLevel(), 4);
    EXPECT_TRUE(doc.autoPlayAfterConvert());
}

TEST_F(DocTest, RemoveFileIfPresent) {
    const std::string path = dir.Write("x.tmp", {1, 2, 3});
    doc.RemoveFileIfPresent(path);
    EXPECT_FALSE(test::Exists(path));
    doc.RemoveFileIfPresent(path);  // gone already: harmless
    EXPECT_TRUE(user.messages.empty());
}

TEST_F(DocTest, SaveAsWithoutResultSaysTheTemporaryFileIsGone) {
    doc.OnOpenDocument(ValidFile());
    user.savePath = dir.File("out.wav");
    doc.OnFileSaveAs();
    ASSERT_EQ(user.saveDialogs.size(), 1U);
    EXPECT_EQ(user.saveDialogs[0].first, "") << "the first Save As proposes the input's full path";
    EXPECT_EQ(user.saveDialogs[0].second, doc.sourcePath());
    EXPECT_EQ(user.messages, std::vector<std::string>{"Temporary file removed! Unable to save."});
    EXPECT_FALSE(test::Exists(dir.File("out.wav")));
    EXPECT_EQ(doc.saveDirectory(), dir.path() + "/");
    EXPECT_EQ(user.waitCursors, 0);
    EXPECT_FALSE(doc.resultSaved());
}

}  // namespace
}  // namespace sonaro
