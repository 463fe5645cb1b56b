// The desktop program on a Wayland compositor (a headless Weston started by desktop_session.sh):
// the main flow (open, convert with its progress window, save) with Qt's Wayland platform, each
// dialog a real window that the compositor shows, over the main window and modal, a drop, and the
// progress window's position left to the compositor without a word. A headless compositor has no
// keyboard or pointer: the tests work the windows through Qt, and a drop is delivered as Qt
// delivers one.
#include <QApplication>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "resources/string_ids.h"
#include "tests/gui/gui_fixture.h"
#include "ui/profile.h"
#include "ui/progress_popup.h"
#include "ui/settings_dlg.h"

namespace sonaro {
namespace {

using test::ModalScript;

// What the compositor showed of a window.
struct Seen {
    bool exposed = false;      // mapped and drawn by the compositor
    bool overMain = false;     // its transient parent is the main window
    bool modal = false;        // the window the application's modality belongs to
    bool mainBlocked = false;  // the main window takes no input meanwhile
};

// Messages Qt and the program print while a test runs: on Wayland nothing is to be said.
QStringList& Printed() {
    static QStringList printed;
    return printed;
}

void Record(QtMsgType type, const QMessageLogContext& /*context*/, const QString& text) {
    if (type != QtDebugMsg) {
        Printed().append(text);
    }
}

class WaylandTest : public test::GuiTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName().toStdString(), "wayland")
            << "run under desktop_session.sh wayland";
        Printed().clear();
        previous_ = qInstallMessageHandler(Record);
        Start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame()));
    }
    void TearDown() override {
        qInstallMessageHandler(previous_);
        EXPECT_EQ(Printed().join('\n').toStdString(), "") << "printed while the test ran";
    }

    // What the compositor showed of a window while it was up.
    Seen Look(QWidget* window) {
        Seen seen;
        seen.exposed = QTest::qWaitForWindowExposed(window);
        const QWindow* handle = window->windowHandle();
        seen.overMain = handle != nullptr && handle->transientParent() == frame().windowHandle();
        seen.modal = QApplication::activeModalWidget() == window;
        seen.mainBlocked = QGuiApplication::modalWindow() != nullptr &&
                           QGuiApplication::modalWindow() != frame().windowHandle();
        return seen;
    }
    // A step that looks at the dialog before it answers it.
    ModalScript::Step Looked(Seen* seen, ModalScript::Step answer) {
        return [this, seen, answer](QWidget* dialog) {
            *seen = Look(dialog);
            answer(dialog);
        };
    }
    static void ExpectShownOverMain(const Seen& seen, const char* what) {
        EXPECT_TRUE(seen.exposed) << what;
        EXPECT_TRUE(seen.overMain) << what;
        EXPECT_TRUE(seen.modal) << what;
        EXPECT_TRUE(seen.mainBlocked) << what;
    }

  private:
    QtMessageHandler previous_ = nullptr;
    test::TmpDirOverride tmp_{dir.path()};
};

TEST_F(WaylandTest, OpenConvertWithItsProgressWindowAndSave) {
    const std::string input = dir.Write("tone.wav", test::ToneFile(44100, 2, 20.0));
    const std::string saved = dir.File("saved.wav");

    Seen open;
    {
        ModalScript script;
        script.Then(Looked(&open, test::ChooseFile(QString::fromStdString(input))));
        Command(ID_FILE_OPEN)->trigger();
        EXPECT_EQ(script.unexpected(), 0);
    }
    ExpectShownOverMain(open, "the Open dialog");
    ASSERT_EQ(Caption(), "Sonaro - tone.wav");

    // The progress window, as the compositor shows it while the conversion runs.
    Seen progress;
    bool mainDisabled = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!progress.exposed && window->isVisible() &&
                window->windowTitle() == "Converting...") {
                progress = Look(window);
                mainDisabled = !frame().isEnabled();
            }
        }
    });
    watch.start(0);
    {
        ModalScript script;
        Command(ID_CONVERT)->trigger();
        EXPECT_EQ(script.unexpected(), 0);
    }
    watch.stop();
    EXPECT_TRUE(progress.exposed) << "the progress window was shown";
    EXPECT_TRUE(progress.overMain);
    EXPECT_TRUE(mainDisabled);
    ASSERT_EQ(Caption(), "Sonaro - tone.wav *");
    EXPECT_EQ(doc().record().formatName, "A-Law");
    EXPECT_TRUE(frame().isEnabled());
    // No position is known on Wayland: none is written.
    const QSettings profile(kProfileOrganisation, kProfileApplication);
    EXPECT_FALSE(profile.contains("Settings/X") || profile.contains("Settings/Y"));
    EXPECT_FALSE(CProgressPopup::CanPlaceWindows());

    Seen save;
    {
        ModalScript script;
        script.Then(Looked(&save, test::ChooseFile(QString::fromStdString(saved))));
        Command(ID_FILE_SAVE_AS)->trigger();
        EXPECT_EQ(script.unexpected(), 0);
    }
    ExpectShownOverMain(save, "the Save As dialog");
    EXPECT_EQ(Caption(), "Sonaro - saved.wav");
    EXPECT_EQ(test::ReadAll(saved), test::ReadAll(doc().convertedPath()));
    const std::vector<std::uint8_t> result = test::ReadAll(saved);
    ASSERT_GT(result.size(), 58U);
    EXPECT_EQ(result[20] | (result[21] << 8), 6) << "A-law";
    EXPECT_EQ(result[22], 1) << "mono";
}

// The settings dialog with the help window it opens, the About box and a warning: each shown by
// the compositor over the main window and modal.
TEST_F(WaylandTest, ModalWindowsShowOverTheMainWindow) {
    Seen help;
    const struct {
        const char* what;
        unsigned command;
        ModalScript::Step answer;
    } cases[] = {
        {"the settings dialog", ID_SETTINGS,
         [&](QWidget* dialog) {
             auto* settings = dynamic_cast<CSettingsDlg*>(dialog);
             ASSERT_NE(settings, nullptr);
             settings->helpButton()->click();
             QWidget* window = app->help().window();
             help.exposed = QTest::qWaitForWindowExposed(window);
             help.overMain = window->windowHandle()->transientParent() == dialog->windowHandle();
             settings->cancelButton()->click();
         }},
        {"the About box", ID_APP_ABOUT, test::CancelDialog()},
    };
    for (const auto& c : cases) {
        Seen seen;
        ModalScript script;
        script.Then(Looked(&seen, c.answer));
        Command(c.command)->trigger();
        EXPECT_EQ(script.unexpected(), 0) << c.what;
        ExpectShownOverMain(seen, c.what);
    }
    EXPECT_TRUE(help.exposed) << "the help window beside the settings dialog";
    EXPECT_TRUE(help.overMain) << "the help window belongs to the settings dialog";
}

// Two files dropped give the warning box; one file dropped is opened.
TEST_F(WaylandTest, DroppedFiles) {
    const std::string first = dir.Write("first.wav", test::PcmSpec(8000, 1, 8).Build());
    const std::string second = dir.Write("second.wav", test::PcmSpec(8000, 1, 8).Build());
    const auto drop = [&](const std::vector<std::string>& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& path : paths) {
            urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
        }
        data.setUrls(urls);
        QDropEvent event(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject&>(frame()).event(&event);
    };
    Seen warning;
    std::vector<test::ShownMessage> shown;
    {
        ModalScript script;
        script.Then(Looked(&warning, test::AnswerMessage(&shown, QMessageBox::Ok)));
        drop({first, second});
    }
    ExpectShownOverMain(warning, "the warning");
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].text, "One file at a time, please.");
    drop({first});
    EXPECT_EQ(Caption(), "Sonaro - first.wav");
}

}  // namespace
}  // namespace sonaro
