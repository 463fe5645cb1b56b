// The document's states walked through the main window with the real dialogs and a real
// conversion: the enabled commands and the caption at every step, the save prompt's three
// answers, Save As writing the converted file, and closing with an unsaved result.
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <filesystem>

#include "resources/string_ids.h"
#include "tests/gui/gui_fixture.h"
#include "ui/settings_dlg.h"
#include "ui/sonaro_view.h"

namespace sonaro {
namespace {

using test::AnswerMessage;
using test::CancelDialog;
using test::ChooseFile;
using test::ModalScript;

// What the user sees of a state: Save As, Convert, Play, Stop enabled, and the caption.
struct Seen {
    bool saveAs, convert, play, stop;
    QString caption;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out) {
    *out << "{saveAs " << seen.saveAs << ", convert " << seen.convert << ", play " << seen.play
         << ", stop " << seen.stop << ", \"" << seen.caption.toStdString() << "\"}";
}

// Ten seconds of a stereo tone at 44100 Hz: small enough to play, long enough to convert in
// several progress steps.
std::vector<std::int16_t> Tone() {
    std::vector<std::int16_t> samples(44100 * 2 * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(((i / 2) % 100 < 50) ? 6000 : -6000);
    }
    return samples;
}

class StateWalkTest : public test::GuiTest {
  protected:
    void SetUp() override { Start(); }

    Seen Now() {
        return {Enabled(ID_FILE_SAVE_AS), Enabled(ID_CONVERT), Enabled(ID_PLAY), Enabled(ID_STOP),
                Caption()};
    }
    std::string Input(const std::string& name) {
        return dir.Write(name, test::Pcm16Spec(44100, 2, Tone()).Build());
    }
    void OpenThroughMenu(const std::string& path) {
        ModalScript script;
        script.Then(ChooseFile(QString::fromStdString(path)));
        Command(ID_FILE_OPEN)->trigger();
        EXPECT_EQ(script.unexpected(), 0);
    }
    void Convert() {
        ModalScript script;  // a conversion that succeeds asks nothing
        Command(ID_CONVERT)->trigger();
        EXPECT_EQ(script.unexpected(), 0);
    }
    void SetVolume(int level) {
        ModalScript script;
        script.Then([level](QWidget* widget) {
            auto* dialog = dynamic_cast<CSettingsDlg*>(widget);
            ASSERT_NE(dialog, nullptr);
            dialog->volumeSlider()->setValue(level);
            dialog->okButton()->click();
        });
        Command(ID_SETTINGS)->trigger();
        EXPECT_EQ(script.unexpected(), 0);
    }

  private:
    // The conversion's private directory is made below TMPDIR: keep it in the scratch dir.
    test::TmpDirOverride tmp_{dir.path()};
};

// The window's close button, or a logout, while a real conversion runs: the conversion is
// cancelled at its next report and cleans up, then the window closes; the document is never
// cleared under a running stage.
TEST_F(StateWalkTest, ClosingDuringAConversionCancelsItThenCloses) {
    const struct {
        const char* what;
        std::function<bool(CMainFrame&)> request;  // false: the request was refused
    } cases[] = {{"close button", [](CMainFrame& f) { return !f.close(); }},
                 {"logout", [](CMainFrame& f) { return f.QueryEndSession(); }}};
    for (const auto& c : cases) {
        frame().show();
        OpenThroughMenu(Input("long.wav"));
        messages.clear();
        int requests = 0;
        bool allowed = false;
        QTimer during;  // fires at the pumps of the conversion, while the main window is disabled
        QObject::connect(&during, &QTimer::timeout, [&] {
            if (!frame().isEnabled() && requests == 0) {
                ++requests;
                allowed = c.request(frame());
            }
        });
        during.start(0);
        ModalScript script;
        script.Then(AnswerMessage(&messages, QMessageBox::Ok));
        Command(ID_CONVERT)->trigger();
        during.stop();
        EXPECT_EQ(requests, 1) << c.what;
        EXPECT_TRUE(allowed) << c.what;
        ASSERT_EQ(messages.size(), 1U) << c.what;
        EXPECT_EQ(messages[0].text.toStdString(), "Conversion cancelled.") << c.what;
        EXPECT_FALSE(frame().isVisible()) << c.what;
        EXPECT_TRUE(doc().sourcePath().empty()) << c.what << ": the close cleared the document";
        EXPECT_FALSE(test::HoldsFileNamed(dir.path(), "SN_1_tmp.tmp") ||
                     test::HoldsFileNamed(dir.path(), "SN_2_tmp.tmp"))
            << c.what;
        EXPECT_EQ(script.unexpected(), 0) << c.what;
    }
}

TEST_F(StateWalkTest, OpenConvertVolumeReconvertSaveAs) {
    EXPECT_EQ(Now(), (Seen{false, false, false, false, "Sonaro"})) << "empty";

    const std::string input = Input("walk.wav");
    OpenThroughMenu(input);
    EXPECT_EQ(Now(), (Seen{false, true, true, true, "Sonaro - walk.wav"})) << "opened";

    Convert();
    ASSERT_FALSE(doc().convertedPath().empty());
    EXPECT_EQ(Now(), (Seen{true, false, true, true, "Sonaro - walk.wav *"})) << "converted";
    EXPECT_EQ(doc().record().formatName, "A-Law");
    EXPECT_TRUE(frame().isEnabled()) << "the main window is enabled again";
    const std::vector<std::uint8_t> first = test::ReadAll(doc().convertedPath());

    SetVolume(5);
    EXPECT_EQ(Now(), (Seen{true, true, true, true, "Sonaro - walk.wav *"})) << "volume changed";

    Convert();
    EXPECT_EQ(Now(), (Seen{true, false, true, true, "Sonaro - walk.wav *"})) << "re-converted";
    const std::vector<std::uint8_t> second = test::ReadAll(doc().convertedPath());
    ASSERT_EQ(second.size(), first.size());
    EXPECT_NE(second, first) << "half the volume gives other codes";

    // The first Save As proposes the input's own path.
    const std::string saved = dir.File("saved.wav");
    QString proposedDirectory, proposedName;
    // Notes what the Save As dialog proposes, then chooses the saved path.
    const ModalScript::Step saveAs = [&](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        proposedDirectory = dialog->directory().absolutePath();
        proposedName = dialog->selectedFiles().value(0);
        test::EnterFileName(dialog, QString::fromStdString(saved));
        test::AcceptLater(dialog);
    };
    {
        ModalScript script;
        script.Then(saveAs);
        Command(ID_FILE_SAVE_AS)->trigger();
        EXPECT_EQ(script.unexpected(), 0);
    }
    EXPECT_EQ(proposedDirectory, QString::fromStdString(dir.path()));
    EXPECT_EQ(proposedName, QString::fromStdString(input));
    EXPECT_EQ(test::ReadAll(saved), second) << "the converted file, byte for byte";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the wait cursor is gone again";
    EXPECT_EQ(Now(), (Seen{true, false, true, true, "Sonaro - saved.wav"})) << "saved";

    // After a save a new level enables nothing.
    SetVolume(7);
    EXPECT_EQ(doc().volumeLevel(), 7);
    EXPECT_FALSE(Enabled(ID_CONVERT));

    // A second Save As starts in the saved directory with the saved name; overwriting asks.
    std::vector<test::ShownMessage> overwrite;
    ModalScript script;
    script.Then(saveAs).Then(AnswerMessage(&overwrite, QMessageBox::Yes));
    Command(ID_FILE_SAVE_AS)->trigger();
    EXPECT_EQ(proposedDirectory, QString::fromStdString(dir.path()));
    EXPECT_EQ(proposedName, QString::fromStdString(saved));
    EXPECT_EQ(overwrite.size(), 1U) << "the overwrite question";
    EXPECT_EQ(script.unexpected(), 0);
}

// Cancels the conversion the first time its progress window is seen: with the Cancel button,
// or with Escape typed into the main window.
class CancelWhenProgressShows : public QObject {
  public:
    CancelWhenProgressShows(QWidget* mainWindow, bool useEscape)
        : mainWindow_(mainWindow), useEscape_(useEscape) {
        connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start(0);
    }
    bool fired() const { return fired_; }

  private:
    void Poll() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (fired_ || !window->isVisible() || window->windowTitle() != "Converting...") {
                continue;
            }
            fired_ = true;
            if (useEscape_) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(mainWindow_, &escape);
            } else if (auto* cancel = window->findChild<QPushButton*>()) {
                cancel->click();
            }
        }
    }

    QTimer timer_;
    QWidget* mainWindow_;
    bool useEscape_;
    bool fired_ = false;
};

TEST_F(StateWalkTest, CancelledConversionLeavesTheOpenedFileAndNoTemporaryFile) {
    const std::string input = Input("cancel.wav");
    OpenThroughMenu(input);
    for (const bool useEscape : {false, true}) {
        messages.clear();
        ModalScript script;
        script.Then(AnswerMessage(&messages, QMessageBox::Ok));
        CancelWhenProgressShows canceller(&frame(), useEscape);
        Command(ID_CONVERT)->trigger();
        EXPECT_TRUE(canceller.fired()) << "escape " << useEscape;
        ASSERT_EQ(messages.size(), 1U) << "escape " << useEscape;
        EXPECT_EQ(messages[0].text, "Conversion cancelled.");
        EXPECT_EQ(Now(), (Seen{false, true, true, true, "Sonaro - cancel.wav"}));
        EXPECT_TRUE(frame().isEnabled()) << "the main window is enabled again";
        EXPECT_TRUE(doc().convertedPath().empty());
        // Nothing but the input is left in the scratch directory and its subdirectories.
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path().string());
            }
        }
        EXPECT_EQ(files, std::vector<std::string>{input});
    }
}

class SavePromptTest : public StateWalkTest {
  protected:
    // Opens and converts a file; answers the path of its unsaved result.
    std::string ConvertedInput() {
        OpenThroughMenu(Input("first.wav"));
        Convert();
        return doc().convertedPath();
    }
};

TEST_F(SavePromptTest, CancelKeepsTheUnsavedResult) {
    const std::string result = ConvertedInput();
    ModalScript script;
    script.Then(AnswerMessage(&messages, QMessageBox::Cancel));
    Command(ID_FILE_OPEN)->trigger();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].title, "Sonaro");
    EXPECT_TRUE(messages[0].text.contains("first.wav"));
    EXPECT_EQ(messages[0].buttons.size(), 3);
    EXPECT_EQ(Now(), (Seen{true, false, true, true, "Sonaro - first.wav *"}));
    EXPECT_TRUE(test::Exists(result));
    EXPECT_EQ(script.unexpected(), 0) << "no open dialog after Cancel";
}

TEST_F(SavePromptTest, NoDiscardsTheResultAndOpens) {
    const std::string result = ConvertedInput();
    const std::string next = Input("next.wav");
    ModalScript script;
    script.Then(AnswerMessage(&messages, QMessageBox::No))
        .Then(ChooseFile(QString::fromStdString(next)));
    Command(ID_FILE_OPEN)->trigger();
    EXPECT_EQ(Now(), (Seen{false, true, true, true, "Sonaro - next.wav"}));
    EXPECT_FALSE(test::Exists(result)) << "the unsaved result is removed";
    EXPECT_EQ(script.unexpected(), 0);
}

TEST_F(SavePromptTest, YesSavesThenOpensEvenWhenTheSaveIsCancelled) {
    const std::string result = ConvertedInput();
    const std::string kept = dir.File("kept.wav");
    const std::vector<std::uint8_t> bytes = test::ReadAll(result);
    // Yes, the Save As dialog, then the Open dialog.
    ModalScript script;
    script.Then(AnswerMessage(&messages, QMessageBox::Yes))
        .Then(ChooseFile(QString::fromStdString(kept)))
        .Then(ChooseFile(QString::fromStdString(Input("second.wav"))));
    Command(ID_FILE_OPEN)->trigger();
    EXPECT_EQ(test::ReadAll(kept), bytes);
    EXPECT_EQ(Now(), (Seen{false, true, true, true, "Sonaro - second.wav"}));

    // A dropped file asks too; Yes with the Save As dialog cancelled still opens it.
    Convert();
    const std::string secondResult = doc().convertedPath();
    script.Then(AnswerMessage(&messages, QMessageBox::Yes)).Then(CancelDialog());
    frame().OnDropFiles({QString::fromStdString(Input("third.wav"))});
    EXPECT_EQ(Now(), (Seen{false, true, true, true, "Sonaro - third.wav"}));
    EXPECT_FALSE(test::Exists(secondResult));
    EXPECT_EQ(script.unexpected(), 0);
}

TEST_F(SavePromptTest, ClosingAsksAndTakesTheResultAlong) {
    const std::string result = ConvertedInput();
    ModalScript script;
    script.Then(AnswerMessage(&messages, QMessageBox::Cancel));
    frame().close();
    EXPECT_TRUE(frame().isVisible()) << "Cancel keeps the window";
    script.Then(AnswerMessage(&messages, QMessageBox::No));
    frame().close();
    EXPECT_FALSE(frame().isVisible());
    EXPECT_FALSE(test::Exists(result));
    EXPECT_EQ(messages.size(), 2U);
}

}  // namespace
}  // namespace sonaro
