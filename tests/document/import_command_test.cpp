// The Import command through the document, with a fake importer: which files the reader settles
// by itself, an imported sound under the chosen file's name, and what a cancel or failure leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "convert/codecs/no_codec_manager.h"
#include "convert/files/path_parts.h"
#include "document/sonaro_doc.h"
#include "tests/support/fake_importer.h"
#include "tests/support/fake_sound.h"
#include "tests/support/fake_user.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"

namespace sonaro {
namespace {

const std::vector<std::uint8_t> kNotWav = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0};

class ImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("TMPDIR", tempRoot.path().c_str(), 1);
        importer.output = test::PcmSpec(22050, 1, 16, std::vector<std::uint8_t>(4410, 7)).Build();
    }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    // The files in the document's temporary directory now.
    std::vector<std::string> TempFiles() const { return tempRoot.ListBelow(); }
    std::string Import(const std::string& name) {
        const std::string path = dir.Write(name, kNotWav);
        doc->OnImportDocument(path);
        return path;
    }

    test::ScratchDir tempRoot;
    test::ScratchDir dir;
    test::FakeUser user;
    test::FakeSound sound;
    NoCodecManager codecs;
    test::FakeImporter importer;
    std::unique_ptr<CSonaroDoc> doc = std::make_unique<CSonaroDoc>(user, sound, codecs, &importer);
};

TEST_F(ImportTest, TheReaderSettlesWhatItAcceptsOrFindsAlreadyConverted) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;  // empty: no such file
        bool imported;
        const char* refusal;  // empty: opened
    } cases[] = {
        {"plain.wav", test::PcmSpec(8000, 1, 8).Build(), false, ""},
        {"alaw.wav", test::ALawSpec({1, 2, 3}).Build(), false, "WAV file already optimised!"},
        {"missing.wav", {}, false, "The file could not be located."},
        {"voice.wav", test::VoxwareSpec(std::vector<std::uint8_t>(16)).Build(), false,
         "Voxware ACM driver not installed."},
        {"song.mp3", kNotWav, true, ""},
        {"wide.wav", test::PcmSpec(8000, 1, 24, std::vector<std::uint8_t>(6)).Build(), true, ""},
    };
    for (const auto& c : cases) {
        const std::string path = c.bytes.empty() ? dir.File(c.name) : dir.Write(c.name, c.bytes);
        user.messages.clear();
        importer.sources.clear();
        EXPECT_EQ(doc->OnImportDocument(path), *c.refusal == '\0') << c.name;
        EXPECT_EQ(importer.sources.size(), c.imported ? 1U : 0U) << c.name;
        EXPECT_EQ(user.messages, *c.refusal == '\0'
                                     ? std::vector<std::string>{}
                                     : std::vector<std::string>{path + ":\n" + c.refusal});
        EXPECT_EQ(doc->sourcePath() == path, !c.imported && *c.refusal == '\0') << c.name;
        EXPECT_EQ(doc->importedPath().empty(), !c.imported) << c.name;
    }
}

TEST_F(ImportTest, ImportedSoundGoesUnderTheChosenFilesName) {
    const std::string path = dir.Write("song.mp3", kNotWav);
    user.openPath = path;
    doc->OnFileImport();
    const std::vector<std::string> endings = {"flac", "mp3"};
    EXPECT_EQ(user.importDialogs, (decltype(user.importDialogs){{"", endings}}));
    ASSERT_EQ(importer.targets.size(), 1U);
    EXPECT_EQ(importer.sources[0], path);
    EXPECT_EQ(FileNamePart(importer.targets[0]), "SN_0_tmp.wav");
    EXPECT_EQ(doc->sourcePath(), importer.targets[0]) << "the sound is read from the copy";
    EXPECT_EQ(doc->importedPath(), importer.targets[0]);
    EXPECT_EQ(doc->fileName(), "song.mp3");
    EXPECT_EQ(doc->pathName(), path);
    EXPECT_EQ(doc->openDirectory(), dir.path() + "/");
    EXPECT_EQ(doc->record().samplesPerSec, 22050U);
    EXPECT_EQ(user.events,
              (std::vector<std::string>{"Progress(Importing..., song.mp3)", "Closed"}));
    doc->OnConvert();
    ASSERT_TRUE(user.messages.empty()) << user.messages.front();
    CSonaroDoc direct(user, sound, codecs);
    direct.OnOpenDocument(dir.Write("direct.wav", importer.output));
    direct.OnConvert();
    EXPECT_EQ(test::ReadAll(doc->convertedPath()), test::ReadAll(direct.convertedPath()))
        << "the copy converts as the same file opened";
    user.savePath = dir.File("out.data");
    doc->OnFileSaveAs();
    EXPECT_EQ(user.saveDialogs[0], std::make_pair(std::string(), dir.path() + "/song.wav"));
    EXPECT_EQ(test::ReadAll(*user.savePath), test::ReadAll(doc->convertedPath()));
    doc->OnFileSaveAs();
    EXPECT_EQ(user.saveDialogs[1], std::make_pair(dir.path() + "/", std::string("out.data")))
        << "once saved, the sound is the saved file's, proposed under its own name";
}

TEST_F(ImportTest, ImportedCopyGoesWithTheNextOpenTheClearingAndTheDocument) {
    const std::string plain = dir.Write("plain.wav", test::PcmSpec(8000, 1, 8).Build());
    const std::function<void()> ends[] = {
        [&] { doc->OnOpenDocument(plain); },
        [&] { doc->DeleteContents(); },
        [&] { doc.reset(); },
    };
    for (const auto& end : ends) {
        if (!doc) {
            doc = std::make_unique<CSonaroDoc>(user, sound, codecs, &importer);
        }
        Import("song.mp3");
        ASSERT_EQ(TempFiles(), std::vector<std::string>{"SN_0_tmp.wav"});
        end();
        EXPECT_TRUE(TempFiles().empty());
    }
}

TEST_F(ImportTest, CancelOrFailureKeepsTheOpenImport) {
    const struct {
        int cancelAtReport;
        const char* reason;
        bool outputRefused;  // the importer's file is no WAV the reader accepts: a failed import
        const char* message;
    } cases[] = {
        {1, "", false, ""},
        {3, "", false, ""},
        {0, "Format not recognised.", false, "Format not recognised."},
        {0, "", true, "Not a RIFF file."},
    };
    for (const auto& c : cases) {
        doc->DeleteContents();
        user.cancelAtReport = 0;
        importer.reason.clear();
        importer.output = test::PcmSpec(8000, 1, 8).Build();
        Import("first.mp3");
        const auto kept = test::ReadAll(doc->importedPath());
        user.messages.clear();
        user.cancelAtReport = c.cancelAtReport;
        importer.reason = c.reason;
        importer.output = c.outputRefused ? std::vector<std::uint8_t>(8, 'x') : kept;
        const std::string second = Import("second.mp3");
        EXPECT_EQ(FileNamePart(importer.targets.back()), "SN_4_tmp.wav") << c.message;
        EXPECT_EQ(user.messages, *c.message == '\0'
                                     ? std::vector<std::string>{}
                                     : std::vector<std::string>{second + ":\n" + c.message});
        EXPECT_EQ(doc->fileName(), "first.mp3") << c.message;
        EXPECT_EQ(TempFiles(), std::vector<std::string>{"SN_0_tmp.wav"}) << c.message;
        EXPECT_EQ(test::ReadAll(doc->sourcePath()), kept) << c.message;
    }
}

TEST_F(ImportTest, UnsavedResultIsOfferedFirst) {
    Import("song.mp3");
    doc->OnConvert();
    user.saveAnswer = SaveAnswer::Cancel;
    EXPECT_FALSE(doc->OnImportDocument(dir.Write("other.mp3", kNotWav)));
    EXPECT_EQ(user.savePrompts, std::vector<std::string>{"song.mp3"});
    EXPECT_EQ(importer.sources.size(), 1U) << "a cancelled prompt abandons the import";
    EXPECT_TRUE(doc->resultUnsaved());
}

TEST(WavPath, ReplacesTheEndingOfTheFileNameOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/song.mp3", "/a/song.wav"}, {"/a/song.tar.gz", "/a/song.tar.wav"},
        {"/a.b/song", "/a.b/song.wav"}, {"/a/.hidden", "/a/.hidden.wav"},
        {"take.WAV", "take.wav"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(WavPath(path), expected) << path;
    }
}

}  // namespace
}  // namespace sonaro
