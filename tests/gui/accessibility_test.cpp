// The windows as assistive technology reads them, through Qt's accessibility interfaces (those
// its AT-SPI bridge serves to screen readers): every control named, the information view's lines
// with their values in reading order and announced when they change, the keyboard reaching every
// control of the main window, and the focus where a user expects it after each dialog.
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QToolBar>
#include <functional>

#include "app/about_dlg.h"
#include "app/help_window.h"
#include "resources/frame_resources.h"
#include "resources/string_ids.h"
#include "tests/gui/gui_fixture.h"
#include "tests/gui/keyboard_focus.h"
#include "ui/batch_window.h"
#include "ui/progress_popup.h"
#include "ui/settings_dlg.h"
#include "ui/sonaro_view.h"

namespace sonaro {
namespace {

using test::ModalScript;

// One accessible object as a screen reader meets it.
struct Node {
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QString description;
    bool focusable = false;
    bool hidden = false;
};

// Everything below an object, depth first in child order.
std::vector<Node> Tree(QObject* root) {
    std::vector<Node> nodes;
    const std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* iface,
                                                                     int depth) {
        if (iface == nullptr || !iface->isValid() || depth > 30) {
            return;
        }
        nodes.push_back({iface->role(), iface->text(QAccessible::Name),
                         iface->text(QAccessible::Description), iface->state().focusable != 0,
                         iface->state().invisible != 0});
        for (int i = 0; i < iface->childCount(); ++i) {
            walk(iface->child(i), depth + 1);
        }
    };
    walk(QAccessible::queryAccessibleInterface(root), 0);
    return nodes;
}

// What a screen reader names when it meets it: windows, controls, texts and pictures, and
// anything the keyboard reaches. Containers (menu bar, tool bar, panels without focus),
// separators and scroll bars are announced by their role alone.
bool NeedsName(const Node& node) {
    if (node.hidden) {
        return false;  // a closed popup's items are met only once it opens
    }
    switch (node.role) {
        case QAccessible::Window:
        case QAccessible::Dialog:
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::Slider:
        case QAccessible::SpinBox:
        case QAccessible::ComboBox:
        case QAccessible::ProgressBar:
        case QAccessible::MenuItem:
        case QAccessible::ButtonMenu:
        case QAccessible::StaticText:
        case QAccessible::Graphic:
        case QAccessible::EditableText:
            return true;
        default:
            return node.focusable;
    }
}

// The names met below the root; a failure for each object that needs a name and has none, or
// one with blanks around it or a tab in it (a screen reader reads those out).
QStringList CheckedNames(QObject* root, const char* what) {
    QStringList names;
    for (const Node& node : Tree(root)) {
        names.append(node.name);
        if (NeedsName(node)) {
            EXPECT_FALSE(node.name.isEmpty())
                << what << ": an unnamed object of role " << node.role;
            EXPECT_EQ(node.name, node.name.trimmed()) << what;
            EXPECT_FALSE(node.name.contains('\t')) << what << ": " << node.name.toStdString();
        }
    }
    return names;
}

std::string DescriptionOf(QObject* root, const QString& name) {
    for (const Node& node : Tree(root)) {
        if (node.name == name) {
            return node.description.toStdString();
        }
    }
    return "(no object named " + name.toStdString() + ")";
}

// One second of a 44100 Hz stereo 16-bit tone, and half a second of 8000 Hz mono 8-bit sound.
std::vector<std::uint8_t> StereoSecond() {
    return test::Pcm16Spec(44100, 2, std::vector<std::int16_t>(88200, 1000)).Build();
}
std::vector<std::uint8_t> MonoHalfSecond() {
    return test::PcmSpec(8000, 1, 8, std::vector<std::uint8_t>(4000, 0x90)).Build();
}

class AccessibilityTest : public test::GuiTest {
  protected:
    void SetUp() override { Start(); }

    QStringList ViewNames() {
        QStringList names;
        for (const Node& node : Tree(frame().view())) {
            names.append(node.name);
        }
        return names;
    }
    QWidget* Button(unsigned command) {
        return frame().toolBar()->widgetForAction(Command(command));
    }
    // The name of the main window's focus widget: where the keyboard is while the window is
    // active (its activation is the window manager's part).
    std::string FocusName() {
        QWidget* focus = frame().focusWidget();
        return focus == nullptr ? "(none)"
                                : QAccessible::queryAccessibleInterface(focus)
                                      ->text(QAccessible::Name)
                                      .toStdString();
    }
    bool ShowWithKeyboard() { return test::ShowWithKeyboard(&frame()); }

    // The conversion's private directory is made below TMPDIR: keep it in the scratch dir.
    test::TmpDirOverride tmp_{dir.path()};
};

// A window shown for a look, and what keeps it alive.
struct Shown {
    std::shared_ptr<void> keep;
    QWidget* window = nullptr;
};

TEST_F(AccessibilityTest, EveryControlOfEveryWindowIsNamedAndDescribedWhereItHelps) {
    SettingsValues values{1, 6, true, false};
    SettingsValues silent{0, 6, true, false};
    const struct {
        const char* what;
        QAccessible::Role role;  // the window's own
        std::function<Shown()> show;
        QStringList names;                                   // among the names met, in any order
        std::vector<std::pair<QString, QString>> described;  // name, description
    } cases[] = {
        {"main window with a file",
         QAccessible::Window,
         [&] {
             doc().OnOpenDocument(dir.Write("in.wav", StereoSecond()));
             return Shown{nullptr, &frame()};
         },
         {"Sonaro - in.wav", "File", "Open...", "Import...", "Save As...", "Exit", "Convert",
          "Settings...", "Convert Several Files...", "Help Topics", "About Sonaro...", "Open",
          "Save As", "Play", "Stop", "More buttons", "File information", "Tavrin Palmet handheld",
          "Channels: stereo"},
         {{"Open", "Open an existing document"},
          {"Play", "Play the active WAV file"},
          {"Stop", "Stop playing the active WAV file"},
          {"File information",
           "Format: PCM, Size: 173 kB, Playback time: 00:01.00, Sampling rate: 44100 Hz, "
           "Channels: stereo, Bit depth: 16 bits"}}},
        {"settings dialog",
         QAccessible::Dialog,
         [&] {
             auto dialog = std::make_shared<CSettingsDlg>(&frame(), values);
             dialog->show();
             return Shown{dialog, dialog.get()};
         },
         {"Settings", "OK", "Cancel", "Help", "Conversion Volume Level", "Low", "High",
          "Auto-play WAV", "After open", "After conversion"},
         {{"After open", "Play a file once it is opened"},
          {"After conversion", "Play the result once a file is converted"},
          {"Help", "Show the help page of these settings"}}},
        {"settings dialog without a sound device",
         QAccessible::Dialog,
         [&] {
             auto dialog = std::make_shared<CSettingsDlg>(&frame(), silent);
             dialog->show();
             return Shown{dialog, dialog.get()};
         },
         {"After open", "After conversion"},
         {{"After open", "Play a file once it is opened (no sound output device)"},
          {"After conversion",
           "Play the result once a file is converted (no sound output device)"}}},
        {"About box",
         QAccessible::Dialog,
         [&] {
             auto about = std::make_shared<CAboutDlg>(&frame());
             about->show();
             return Shown{about, about.get()};
         },
         {"About Sonaro", "Piano keyboard", "Sonaro", "for Tavrin Palmet", "Version 1.14", "OK"},
         {}},
        {"progress window",
         QAccessible::Dialog,
         [&] {
             auto popup = std::make_shared<CProgressPopup>(&frame(), "Converting...", false);
             popup->SetMessage("song.wav");
             return Shown{popup, popup->window()};
         },
         {"Converting...", "song.wav", "Conversion progress", "Cancel"},
         {{"Cancel", "Stop the conversion"}}},
        {"help window",
         QAccessible::Window,
         [&] {
             app->help().ShowHelp(kHelpContextTopics);
             return Shown{nullptr, app->help().window()};
         },
         {"Sonaro Help", "Sonaro Help Topics"},
         {}},
        {"batch window",
         QAccessible::Window,
         [&] {
             app->ShowBatchWindow();
             return Shown{nullptr, app->batchWindow()};
         },
         {"Convert Several Files", "Add Files...", "Add Folder...", "Remove", "Clear",
          "Files to convert", "Output folder", "Choose output folder", "When a name is taken:",
          "Volume level", "Open Folder", "Help", "Convert", "Cancel", "Close"},
         {{"Cancel", "Stop the conversions; the files done so far stay"}}},
    };
    frame().show();
    for (const auto& c : cases) {
        const Shown shown = c.show();
        ASSERT_NE(shown.window, nullptr) << c.what;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(shown.window)->role(), c.role) << c.what;
        const QStringList names = CheckedNames(shown.window, c.what);
        for (const QString& name : c.names) {
            EXPECT_TRUE(names.contains(name)) << c.what << ": no " << name.toStdString();
        }
        for (const auto& [name, description] : c.described) {
            EXPECT_EQ(DescriptionOf(shown.window, name), description.toStdString()) << c.what;
        }
    }
}

// The program's message boxes name their warning icon.
TEST_F(AccessibilityTest, MessageBoxesNameTheirIcon) {
    frame().show();
    const struct {
        const char* what;
        std::function<void()> action;
        QString text;
    } cases[] = {
        {"a warning",
         [&] {
             frame().OnDropFiles({QString::fromStdString(dir.File("a.wav")),
                                  QString::fromStdString(dir.File("b.wav"))});
         },
         "One file at a time, please."},
        {"the save prompt",
         [&] {
             doc().OnOpenDocument(dir.Write("in.wav", MonoHalfSecond()));
             {
                 ModalScript conversion;
                 Command(ID_CONVERT)->trigger();
             }
             doc().OnOpenDocument(dir.Write("next.wav", MonoHalfSecond()));
         },
         "The converted sound of in.wav has not been saved.\nSave it now?"},
    };
    for (const auto& c : cases) {
        QStringList names;
        ModalScript script;
        script.Then([&](QWidget* box) {
            names = CheckedNames(box, c.what);
            test::CancelDialog()(box);
        });
        c.action();
        EXPECT_TRUE(names.contains("Warning")) << c.what;
        EXPECT_TRUE(names.contains(c.text)) << c.what;
        EXPECT_EQ(script.unexpected(), 0) << c.what;
    }
}

// The view's pictures, then its lines, each label with its value, in the order shown; lines
// below one another inside the view.
TEST_F(AccessibilityTest, ViewReadsItsLinesWithTheirValues) {
    const struct {
        const char* what;
        std::vector<std::uint8_t> file;  // empty: no file open
        QStringList lines;
    } cases[] = {
        {"no file",
         {},
         {"Format:", "Size:", "Playback time:", "Sampling rate:", "Channels:", "Bit depth:"}},
        {"44100 Hz stereo",
         StereoSecond(),
         {"Format: PCM", "Size: 173 kB", "Playback time: 00:01.00", "Sampling rate: 44100 Hz",
          "Channels: stereo", "Bit depth: 16 bits"}},
        {"8000 Hz mono",
         MonoHalfSecond(),
         {"Format: PCM", "Size: 4 kB", "Playback time: 00:00.50", "Sampling rate: 8000 Hz",
          "Channels: mono", "Bit depth: 8 bits"}},
    };
    frame().show();
    CSonaroView* view = frame().view();
    for (const auto& c : cases) {
        if (!c.file.empty()) {
            ASSERT_TRUE(doc().OnOpenDocument(dir.Write("in.wav", c.file))) << c.what;
        }
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(view);
        ASSERT_EQ(iface->childCount(), 8) << c.what;
        EXPECT_EQ(iface->role(), QAccessible::Pane);
        EXPECT_TRUE(iface->state().focusable);
        EXPECT_EQ(iface->child(0)->role(), QAccessible::Graphic);
        EXPECT_EQ(iface->child(1)->role(), QAccessible::Graphic);
        QRect previous;
        for (int line = 0; line < 6; ++line) {
            QAccessibleInterface* child = iface->child(2 + line);
            EXPECT_EQ(child->role(), QAccessible::StaticText) << c.what;
            EXPECT_EQ(child->text(QAccessible::Name).toStdString(), c.lines[line].toStdString())
                << c.what;
            EXPECT_EQ(child->parent(), iface);
            EXPECT_EQ(iface->indexOfChild(child), 2 + line);
            const QRect rect = child->rect();
            EXPECT_TRUE(iface->rect().contains(rect)) << c.what << ", line " << line;
            EXPECT_GT(rect.top(), previous.bottom()) << c.what << ", line " << line;
            EXPECT_EQ(iface->childAt(rect.center().x(), rect.center().y()), child);
            previous = rect;
        }
    }
}

// A file opened or converted takes the focus to the view, where a screen reader reads its new
// lines; a file with the same lines leaves the focus where it was. (That each changed line is
// announced is seen through AT-SPI: Qt delivers no events on the offscreen platform.)
TEST_F(AccessibilityTest, NewLinesTakeTheFocusToTheView) {
    if (!ShowWithKeyboard()) {
        GTEST_SKIP() << test::kNoKeyboard;
    }
    const struct {
        const char* what;
        std::function<void()> action;
        std::string focus;
        std::string firstLine;
    } steps[] = {
        {"a stereo file opened", [&] { doc().OnOpenDocument(dir.Write("a.wav", StereoSecond())); },
         "File information", "Format: PCM"},
        {"the same lines again", [&] { doc().OnOpenDocument(dir.Write("b.wav", StereoSecond())); },
         "Open", "Format: PCM"},
        {"a mono file", [&] { doc().OnOpenDocument(dir.Write("c.wav", MonoHalfSecond())); },
         "File information", "Format: PCM"},
        {"converted",
         [&] {
             ModalScript script;
             Command(ID_CONVERT)->trigger();
         },
         "File information", "Format: A-Law"},
    };
    for (const auto& step : steps) {
        Button(ID_FILE_OPEN)->setFocus(Qt::TabFocusReason);
        step.action();
        EXPECT_EQ(FocusName(), step.focus) << step.what;
        EXPECT_EQ(ViewNames().value(3).toStdString(), step.firstLine) << step.what;
    }
}

// Tab goes round the view and every enabled button of the toolbar (Play and Stop have no menu
// item), in the order shown.
TEST_F(AccessibilityTest, TabReachesTheViewAndEveryEnabledToolbarButton) {
    if (!ShowWithKeyboard()) {
        GTEST_SKIP() << test::kNoKeyboard;
    }
    const struct {
        const char* what;
        std::function<void()> action;
        std::vector<std::string> round;
    } states[] = {
        {"no file", [] {}, {"File information", "Open"}},
        {"a file open",
         [&] { doc().OnOpenDocument(dir.Write("in.wav", StereoSecond())); },
         {"File information", "Open", "Convert", "Play", "Stop"}},
        {"converted",
         [&] {
             ModalScript script;
             Command(ID_CONVERT)->trigger();
         },
         {"File information", "Open", "Save As", "Play", "Stop"}},
    };
    for (const auto& state : states) {
        state.action();
        frame().view()->setFocus(Qt::OtherFocusReason);
        std::vector<std::string> round{FocusName()};
        for (int i = 0; i < 10 && frame().focusWidget() != nullptr; ++i) {
            QTest::keyClick(frame().focusWidget(), Qt::Key_Tab);
            if (FocusName() == round.front()) {
                break;
            }
            round.push_back(FocusName());
        }
        EXPECT_EQ(round, state.round) << state.what;
    }
}

// After a dialog the focus is back where it was; after an open or a conversion it is on the view,
// which reads the new lines; a conversion gives it back from the progress window.
TEST_F(AccessibilityTest, FocusAfterEachDialog) {
    if (!ShowWithKeyboard()) {
        GTEST_SKIP() << test::kNoKeyboard;
    }
    ASSERT_TRUE(doc().OnOpenDocument(dir.Write("in.wav", MonoHalfSecond())));
    const std::string other = dir.Write("other.wav", StereoSecond());
    std::vector<test::ShownMessage> shown;
    const struct {
        const char* what;
        unsigned startAt;  // the toolbar button that has the focus first
        unsigned command;
        ModalScript::Step answer;
        const char* focus;  // where the focus is afterwards
    } cases[] = {
        {"Settings cancelled", ID_PLAY, ID_SETTINGS, test::CancelDialog(), "Play"},
        {"About closed", ID_STOP, ID_APP_ABOUT, test::CancelDialog(), "Stop"},
        {"Open cancelled", ID_FILE_OPEN, ID_FILE_OPEN, test::CancelDialog(), "Open"},
        {"a file opened", ID_FILE_OPEN, ID_FILE_OPEN,
         test::ChooseFile(QString::fromStdString(other)), "File information"},
        {"converted", ID_PLAY, ID_CONVERT, test::AnswerMessage(&shown, QMessageBox::Ok),
         "File information"},
    };
    for (const auto& c : cases) {
        Button(c.startAt)->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(FocusName(), Button(c.startAt)->accessibleName().toStdString()) << c.what;
        ModalScript script;
        script.Then(c.answer);
        Command(c.command)->trigger();
        EXPECT_EQ(FocusName(), c.focus) << c.what;
    }
    EXPECT_TRUE(QTest::qWaitForWindowActive(&frame())) << "active again after the conversion";
    EXPECT_TRUE(shown.empty()) << "the conversion asked nothing";
}

}  // namespace
}  // namespace sonaro
