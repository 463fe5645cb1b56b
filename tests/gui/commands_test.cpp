// The document's commands as the main window raises them: Settings with its real dialog, Play
// and Stop, and their enabling with and without a sound device.
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>

#include "resources/string_ids.h"
#include "tests/gui/gui_fixture.h"
#include "ui/settings_dlg.h"

namespace sonaro {
namespace {

using test::AnswerMessage;
using test::ModalScript;

// What the settings dialog showed when it came up.
struct SettingsShown {
    int volume = -1;
    bool afterOpenEnabled = false;
    bool afterConversionEnabled = false;
    QWidget* helpOwner = nullptr;
    QString helpTitle;
};

class CommandsTest : public test::GuiTest {
  protected:
    explicit CommandsTest(unsigned devices = 1) : GuiTest(devices) {}
    void SetUp() override { Start(); }

    // Runs Settings, records the dialog, sets the level and the first box, and ends with OK or
    // Cancel; the Help button is pressed first when asked.
    SettingsShown RunSettings(int level, bool afterOpen, bool ok, bool pressHelp = false) {
        SettingsShown shown;
        ModalScript script;
        script.Then([&](QWidget* widget) {
            auto* dialog = dynamic_cast<CSettingsDlg*>(widget);
            ASSERT_NE(dialog, nullptr);
            shown.volume = dialog->volumeSlider()->value();
            shown.afterOpenEnabled = dialog->afterOpenBox()->isEnabled();
            shown.afterConversionEnabled = dialog->afterConversionBox()->isEnabled();
            if (pressHelp) {
                dialog->helpButton()->click();
                shown.helpOwner = app->help().window()->parentWidget();
                shown.helpTitle = app->help().window()->currentTitle();
            }
            dialog->volumeSlider()->setValue(level);
            dialog->afterOpenBox()->setChecked(afterOpen);
            (ok ? dialog->okButton() : dialog->cancelButton())->click();
        });
        Command(ID_SETTINGS)->trigger();
        EXPECT_EQ(script.unexpected(), 0);
        return shown;
    }
};

TEST_F(CommandsTest, SettingsOkKeepsTheNewValuesForThisRun) {
    ASSERT_TRUE(doc().OnOpenDocument(ValidFile()));
    const SettingsShown shown = RunSettings(4, true, true, true);
    EXPECT_EQ(shown.volume, 10) << "every run starts at level 10";
    EXPECT_TRUE(shown.afterOpenEnabled);
    EXPECT_TRUE(shown.afterConversionEnabled);
    EXPECT_EQ(doc().volumeLevel(), 4);
    EXPECT_TRUE(doc().autoPlayAfterOpen());
    EXPECT_FALSE(doc().autoPlayAfterConvert());
    EXPECT_TRUE(Enabled(ID_CONVERT));
    EXPECT_TRUE(Enabled(ID_SETTINGS));
    // Help from the dialog opens the settings page, in a window the dialog owns.
    EXPECT_EQ(shown.helpTitle, "The Settings dialog");
    EXPECT_NE(shown.helpOwner, &frame());
    EXPECT_NE(shown.helpOwner, nullptr);

    // The next run of the dialog shows the kept values; Cancel changes nothing.
    const SettingsShown again = RunSettings(0, false, false);
    EXPECT_EQ(again.volume, 4);
    EXPECT_EQ(doc().volumeLevel(), 4);
    EXPECT_TRUE(doc().autoPlayAfterOpen());
}

TEST_F(CommandsTest, AutoPlayAfterOpenPlaysTheOpenedFile) {
    RunSettings(10, true, true);
    const std::string path = ValidFile("auto.wav");
    ASSERT_TRUE(doc().OnOpenDocument(path));
    ASSERT_EQ(sound->played.size(), 1U);
    EXPECT_EQ(sound->played[0], path);
}

TEST_F(CommandsTest, PlayAndStopFromTheToolbar) {
    const std::string path = ValidFile();
    ASSERT_TRUE(doc().OnOpenDocument(path));
    ASSERT_TRUE(Enabled(ID_PLAY));
    ASSERT_TRUE(Enabled(ID_STOP));
    const int stopsBefore = sound->stops;
    Command(ID_PLAY)->trigger();
    ASSERT_EQ(sound->played.size(), 1U);
    EXPECT_EQ(sound->played[0], path);
    Command(ID_STOP)->trigger();
    EXPECT_EQ(sound->stops, stopsBefore + 2) << "Play stops first, then Stop";

    // A player that cannot start or stop is told in the program's words.
    sound->playResult = false;
    sound->stopResult = false;
    ModalScript script;
    script.Then(AnswerMessage(&messages, QMessageBox::Ok))
        .Then(AnswerMessage(&messages, QMessageBox::Ok));
    Command(ID_PLAY)->trigger();
    Command(ID_STOP)->trigger();
    ASSERT_EQ(messages.size(), 2U);
    EXPECT_EQ(messages[0].text, "Can not start playback.");
    EXPECT_EQ(messages[1].text, "Can not stop playback.");
    EXPECT_EQ(messages[1].title, "Sonaro");
}

TEST_F(CommandsTest, LargeFilesAreNotPlayable) {
    // 2 MiB of samples: the file is over the limit.
    test::WavSpec spec = test::PcmSpec(44100, 2, 16, std::vector<std::uint8_t>(0x200000, 0));
    ASSERT_TRUE(doc().OnOpenDocument(dir.Write("large.wav", spec.Build())));
    EXPECT_TRUE(Enabled(ID_CONVERT));
    EXPECT_FALSE(Enabled(ID_PLAY));
    EXPECT_FALSE(Enabled(ID_STOP));
}

class NoSoundDeviceTest : public CommandsTest {
  protected:
    NoSoundDeviceTest() : CommandsTest(0) {}
};

TEST_F(NoSoundDeviceTest, PlayStopAndAutoPlayChoicesAreDisabled) {
    ASSERT_TRUE(doc().OnOpenDocument(ValidFile()));
    EXPECT_TRUE(Enabled(ID_CONVERT));
    EXPECT_FALSE(Enabled(ID_PLAY));
    EXPECT_FALSE(Enabled(ID_STOP));
    const SettingsShown shown = RunSettings(10, false, true);
    EXPECT_FALSE(shown.afterOpenEnabled);
    EXPECT_FALSE(shown.afterConversionEnabled);
    EXPECT_TRUE(sound->played.empty());
    EXPECT_EQ(sound->stops, 0) << "without a device the player is never asked";
}

}  // namespace
}  // namespace sonaro
