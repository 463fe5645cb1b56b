// The main window through its real widgets: menus, toolbar, accelerators, dialogs, drops, the
// command line and the enabling of the commands.
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <filesystem>

#include <gtest/gtest-spi.h>

#include "app/recent_files.h"
#include "resources/string_ids.h"
#include "tests/gui/gui_fixture.h"
#include "tests/gui/keyboard_focus.h"

namespace sonaro {
namespace {

using test::AnswerMessage;
using test::CancelDialog;
using test::ChooseFile;
using test::DescribeWindow;
using test::EnterFileName;
using test::ModalScript;
using test::ShownMessage;

class FrameTest : public test::GuiTest {
  protected:
    void SetUp() override { Start(); }

    void SendDrop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls.append(QUrl::fromLocalFile(path));
        }
        data.setUrls(urls);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: the application routes drops only while a drag is under way.
        static_cast<QObject&>(frame()).event(&drop);
    }

    // The enabled state of Save As, Convert, Play and Stop, in that order.
    std::array<bool, 4> DocumentCommands() {
        return {Enabled(ID_FILE_SAVE_AS), Enabled(ID_CONVERT), Enabled(ID_PLAY), Enabled(ID_STOP)};
    }
};

TEST_F(FrameTest, MenuBarHoldsThreePopupsWithTheirItems) {
    // Text of each item as the menu shows it, the shortcut after a tab; an empty text stands for
    // a separator.
    const std::vector<std::pair<QString, QStringList>> expected = {
        {"&File",
         {"&Open...\tCtrl+O", "&Import...\tCtrl+I", "&Convert Several Files...\tCtrl+B",
          "Save &As...", "", "E&xit"}},
        {"&Convert", {"&Convert", "", "&Settings..."}},
        {"&Help", {"&Help Topics", "", "&About Sonaro..."}},
    };
    const QList<QAction*> popups = frame().menuBar()->actions();
    ASSERT_EQ(popups.size(), 3);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(popups[p]->text(), expected[p].first);
        ASSERT_NE(popups[p]->menu(), nullptr);
        QStringList texts;
        for (QAction* item : popups[p]->menu()->actions()) {
            const QString shortcut = item->shortcut().toString();
            texts.append(item->isSeparator()  ? QString()
                         : shortcut.isEmpty() ? item->text()
                                              : item->text() + '\t' + shortcut);
        }
        EXPECT_EQ(texts, expected[p].second) << popups[p]->text().toStdString();
    }
    // The items raise the commands of their ids.
    const QList<QAction*> file = popups[0]->menu()->actions();
    EXPECT_EQ(file[0], Command(ID_FILE_OPEN));
    EXPECT_EQ(file[1], Command(ID_FILE_IMPORT));
    EXPECT_EQ(file[2], Command(ID_FILE_CONVERT_SEVERAL));
    EXPECT_EQ(file[3], Command(ID_FILE_SAVE_AS));
    EXPECT_EQ(file[5], Command(ID_APP_EXIT));
    EXPECT_EQ(popups[1]->menu()->actions()[0], Command(ID_CONVERT));
    EXPECT_EQ(popups[1]->menu()->actions()[2], Command(ID_SETTINGS));
    EXPECT_EQ(popups[2]->menu()->actions()[0], Command(ID_HELP_TOPICS));
    EXPECT_EQ(popups[2]->menu()->actions()[2], Command(ID_APP_ABOUT));
}

TEST_F(FrameTest, ToolbarButtonsSeparatorsAndTooltips) {
    const QList<QAction*> buttons = frame().toolBar()->actions();
    ASSERT_EQ(buttons.size(), 7);
    EXPECT_TRUE(buttons[2]->isSeparator());
    EXPECT_TRUE(buttons[4]->isSeparator());
    const std::vector<std::pair<int, unsigned>> order = {
        {0, ID_FILE_OPEN}, {1, ID_FILE_SAVE_AS}, {3, ID_CONVERT}, {5, ID_PLAY}, {6, ID_STOP}};
    const QStringList tooltips = {"Open", "Save As", "Convert", "Play", "Stop"};
    const QStringList prompts = {"Open an existing document",
                                 "Save the active document with a new name",
                                 "Convert the active WAV file", "Play the active WAV file",
                                 "Stop playing the active WAV file"};
    for (std::size_t i = 0; i < order.size(); ++i) {
        QAction* button = buttons[order[i].first];
        EXPECT_EQ(button, Command(order[i].second));
        EXPECT_EQ(button->toolTip(), tooltips[static_cast<int>(i)]);
        EXPECT_EQ(button->statusTip(), prompts[static_cast<int>(i)]);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->icon().availableSizes().value(0), QSize(16, 15));
    }
    EXPECT_EQ(frame().toolBar()->iconSize(), QSize(16, 15));
    EXPECT_FALSE(frame().toolBar()->isMovable());
    EXPECT_EQ(frame().toolBarArea(frame().toolBar()), Qt::TopToolBarArea);
}

TEST_F(FrameTest, AcceleratorsOfTheWindow) {
    EXPECT_EQ(Command(ID_FILE_OPEN)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(Command(ID_FILE_IMPORT)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    EXPECT_EQ(Command(ID_FILE_IMPORT)->statusTip(),
              "Import a sound file of any format as a WAV file");
    EXPECT_EQ(Command(ID_FILE_CONVERT_SEVERAL)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    EXPECT_EQ(Command(ID_FILE_CONVERT_SEVERAL)->statusTip(),
              "Convert many sound files at once into a folder");
    EXPECT_EQ(Command(ID_FILE_SAVE)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(Command(ID_NEXT_PANE)->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_EQ(Command(ID_PREV_PANE)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F6));
    // Commands without a menu item or button still reach the window.
    for (unsigned id : {ID_FILE_SAVE, ID_NEXT_PANE, ID_PREV_PANE}) {
        EXPECT_TRUE(frame().actions().contains(Command(id))) << id;
    }
    EXPECT_TRUE(Enabled(ID_FILE_SAVE));
    EXPECT_FALSE(Enabled(ID_NEXT_PANE)) << "the view has no panes";
}

TEST_F(FrameTest, FixedSizeWindowThatCanBeMinimisedOnly) {
    EXPECT_TRUE(started);
    EXPECT_EQ(frame().size(), QSize(480, 360));
    EXPECT_EQ(frame().minimumSize(), QSize(480, 360));
    EXPECT_EQ(frame().maximumSize(), QSize(480, 360));
    const Qt::WindowFlags flags = frame().windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Caption(), "Sonaro");
    EXPECT_TRUE(frame().acceptDrops());
}

TEST_F(FrameTest, CtrlOOpensTheOpenDialogAndTheChosenFile) {
    const std::string path = ValidFile();
    QStringList filters;
    QString suffix;
    QString startDirectory;
    bool openMode = false;
    ModalScript script;
    script.Then([&](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        startDirectory = dialog->directory().absolutePath();
        openMode = dialog->acceptMode() == QFileDialog::AcceptOpen &&
                   dialog->fileMode() == QFileDialog::ExistingFile;
        EnterFileName(dialog, QString::fromStdString(path));
        static_cast<QDialog*>(dialog)->accept();
    });
    frame().activateWindow();
    QApplication::setActiveWindow(&frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    QTest::keyClick(&frame(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(script.answered(), 1);
    EXPECT_EQ(filters, QStringList({"WAV files (*.wav)", "All files (*)"}));
    EXPECT_EQ(suffix, "wav");
    EXPECT_EQ(startDirectory, QDir::currentPath()) << "no directory chosen yet";
    EXPECT_TRUE(openMode);
    EXPECT_EQ(doc().sourcePath(), path);
    EXPECT_EQ(Caption(), "Sonaro - in.wav");
    EXPECT_EQ(DocumentCommands(), (std::array<bool, 4>{false, true, true, true}));

    // The next Open starts in the file's directory; the current directory stays.
    const QString before = QDir::currentPath();
    script.Then([&](QWidget* widget) {
        startDirectory = qobject_cast<QFileDialog*>(widget)->directory().absolutePath();
        qobject_cast<QFileDialog*>(widget)->reject();
    });
    Command(ID_FILE_OPEN)->trigger();
    EXPECT_EQ(startDirectory, QString::fromStdString(dir.path()));
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_EQ(doc().sourcePath(), path) << "a cancelled dialog changes nothing";
    EXPECT_EQ(script.unexpected(), 0);
}

TEST_F(FrameTest, RefusedFileIsShownAsPathAndReason) {
    const std::string good = ValidFile();
    const std::string bad = RefusedFile();
    ModalScript script;
    script.Then(ChooseFile(QString::fromStdString(good)));
    Command(ID_FILE_OPEN)->trigger();
    script.Then(ChooseFile(QString::fromStdString(bad)))
        .Then(AnswerMessage(&messages, QMessageBox::Ok));
    Command(ID_FILE_OPEN)->trigger();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].title, "Sonaro");
    EXPECT_EQ(messages[0].text, QString::fromStdString(bad + ":\nNot a RIFF file."));
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(messages[0].buttons, QStringList({"OK"}));
    EXPECT_EQ(Caption(), "Sonaro");
    EXPECT_EQ(DocumentCommands(), (std::array<bool, 4>{false, false, false, false}));
    EXPECT_EQ(script.unexpected(), 0);
}

// Ctrl+I offers the sound files the importer reads; a WAV file the reader refuses only for the
// chunk before its data is opened from its imported copy, which holds the plain file's bytes.
TEST_F(FrameTest, CtrlIImportsTheChosenFile) {
    test::WavSpec plain = test::PcmSpec(22050, 1, 16);
    plain.riffSize = 36 + 64;
    test::WavSpec listed = plain;
    listed.extraChunk = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    const std::string path = dir.Write("listed.wav", listed.Build());
    QStringList filters;
    QString title;
    ModalScript script;
    script.Then([&](QWidget* widget) {
        filters = qobject_cast<QFileDialog*>(widget)->nameFilters();
        title = widget->windowTitle();
        ChooseFile(QString::fromStdString(path))(widget);
    });
    frame().activateWindow();
    QApplication::setActiveWindow(&frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    QTest::keyClick(&frame(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(script.answered(), 1);
    EXPECT_EQ(title, "Import");
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith("Sound files (*.aif *.aifc *.aiff *.au"))
        << filters[0].toStdString();
    EXPECT_EQ(filters[0].count(" *.wav"), 1);
    EXPECT_TRUE(filters[0].contains(" *.flac ") && filters[0].contains(" *.mp3 "));
    EXPECT_EQ(filters[1], "All files (*)");
    ASSERT_FALSE(doc().importedPath().empty());
    EXPECT_EQ(test::ReadAll(doc().importedPath()), plain.Build());
    EXPECT_EQ(Caption(), "Sonaro - listed.wav");
    EXPECT_EQ(DocumentCommands(), (std::array<bool, 4>{false, true, true, true}));
    EXPECT_EQ(script.unexpected(), 0);
}

// A user who types the name has the focus in the name field; the path chosen must still be the
// one opened.
TEST_F(FrameTest, OpenDialogTakesThePathWhileItsNameFieldHasTheFocus) {
    if (!test::ShowWithKeyboard(&frame())) {
        GTEST_SKIP() << test::kNoKeyboard;
    }
    const std::string path = ValidFile();
    ModalScript script;
    script.Then([&](QWidget* widget) {
        auto* name = widget->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([name] { return name->hasFocus(); }));
        ChooseFile(QString::fromStdString(path))(widget);
    });
    Command(ID_FILE_OPEN)->trigger();
    EXPECT_EQ(doc().sourcePath(), path);
}

// A dialog whose answer did not close it fails the test, is named, and is closed.
TEST_F(FrameTest, AnsweredDialogThatStaysOpenIsNamedAndClosed) {
    ModalScript script(100);
    script.Then([](QWidget*) {});
    EXPECT_NONFATAL_FAILURE(
        Command(ID_FILE_OPEN)->trigger(),
        "ms after it was answered: sonaro::CFileDialog \"openDialog\" titled \"Open\"");
    EXPECT_EQ(doc().sourcePath(), "");
}

// The names the dialog's list shows once the directory has been read.
QStringList ListedNames(QFileDialog* dialog) {
    auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    QStringList names;
    const bool read = QTest::qWaitFor([&] {
        names.clear();
        for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
            names.append(list->model()->index(row, 0, list->rootIndex()).data().toString());
        }
        return names.size() >= 3;
    });
    EXPECT_TRUE(read) << "the directory was not listed";
    names.sort();
    return names;
}

// "All files" lists every file; Qt's dialog shows its columns whole; a dialog starts in the
// nearest folder that still exists; Save As refuses a missing folder inside the dialog.
TEST_F(FrameTest, FileDialogRules) {
    ValidFile();
    dir.Write("README", {});
    std::filesystem::create_directory(dir.File("kept"));
    QStringList allFiles;
    bool columnsWhole = false;
    QString gone, refused;
    std::vector<ShownMessage> shown;
    // A large font, as on a screen of many dots per inch: the columns widen with it.
    const QFont font = QApplication::font();
    QFont large = font;
    large.setPointSize(14);
    QApplication::setFont(large);
    ModalScript script;
    script
        .Then([&](QWidget* widget) {  // "All files" matches every file, also one without a dot
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            dialog->selectNameFilter(QStringLiteral("All files (*)"));
            allFiles = ListedNames(dialog);
            auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            const QAbstractItemView* view = list;  // where the content width is public
            columnsWhole = QTest::qWaitFor([&] {   // sizes and types come after the names
                bool whole =
                    list->isVisible() && list->header()->length() <= list->viewport()->width();
                for (int column = 1; column < list->header()->count(); ++column) {
                    whole = whole &&
                            list->header()->sectionSize(column) >= view->sizeHintForColumn(column);
                }
                return whole;
            });
            dialog->reject();
        })
        .Then([&](QWidget* widget) {  // a folder that has gone: its parent
            gone = qobject_cast<QFileDialog*>(widget)->directory().absolutePath();
            ChooseFile(QString::fromStdString(dir.File("none/x.wav")))(widget);
        })
        .Then(AnswerMessage(&shown, QMessageBox::Ok))  // inside the dialog, which stays
        .Then([&](QWidget* widget) {
            refused = DescribeWindow(widget);
            CancelDialog()(widget);
        });
    EXPECT_EQ(app->userPort().ChooseOpenPath(dir.path()), std::nullopt);
    QApplication::setFont(font);
    EXPECT_EQ(allFiles.join(' ').toStdString(), "README in.wav kept");
    EXPECT_TRUE(columnsWhole);
    EXPECT_EQ(app->userPort().ChooseSavePath(dir.File("kept/gone/"), "x.wav"), std::nullopt);
    EXPECT_EQ(gone, QString::fromStdString(dir.File("kept")));
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].text,
              QString::fromStdString("The folder " + dir.File("none") + " does not exist."));
    EXPECT_EQ(refused, "sonaro::CFileDialog \"saveDialog\" titled \"Save As\"");
    EXPECT_FALSE(test::Exists(dir.File("none")));
    EXPECT_EQ(script.unexpected(), 0);
}

TEST_F(FrameTest, OneDroppedFileIsOpenedWithoutEnteringTheRecentList) {
    const std::string path = ValidFile("dropped.wav");
    SendDrop({QString::fromStdString(path)});
    EXPECT_EQ(doc().sourcePath(), path);
    EXPECT_EQ(Caption(), "Sonaro - dropped.wav");
    EXPECT_TRUE(Enabled(ID_CONVERT));
    EXPECT_TRUE(app->recentFiles().Entries().isEmpty());
}

TEST_F(FrameTest, TwoDroppedFilesAreRefusedAndTheOpenFileStays) {
    const std::string first = ValidFile("first.wav");
    SendDrop({QString::fromStdString(first)});
    ModalScript script;
    script.Then(AnswerMessage(&messages, QMessageBox::Ok));
    SendDrop(
        {QString::fromStdString(ValidFile("a.wav")), QString::fromStdString(ValidFile("b.wav"))});
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text, "One file at a time, please.");
    EXPECT_EQ(messages[0].title, "Sonaro");
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(doc().sourcePath(), first);
    EXPECT_EQ(Caption(), "Sonaro - first.wav");
}

TEST_F(FrameTest, OnlyLocalFilesAreAcceptedForDropping) {
    const auto enterAccepted = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(&frame(), &enter);
        return enter.isAccepted();
    };
    EXPECT_TRUE(enterAccepted({QUrl::fromLocalFile(QString::fromStdString(ValidFile()))}));
    EXPECT_FALSE(enterAccepted({QUrl(QStringLiteral("https://example.org/a.wav"))}));
    EXPECT_FALSE(enterAccepted({}));
}

TEST_F(FrameTest, SaveWithoutAFileAsksForANameThenSavesThroughSaveAs) {
    ModalScript script;
    QString firstName;
    script
        .Then([&](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            ASSERT_NE(dialog, nullptr);
            firstName = dialog->selectedFiles().value(0);
            EnterFileName(dialog, QString::fromStdString(dir.File("named.wav")));
            static_cast<QDialog*>(dialog)->accept();
        })
        .Then(ChooseFile(QString::fromStdString(dir.File("copy.wav"))))
        .Then(AnswerMessage(&messages, QMessageBox::Ok));
    Command(ID_FILE_SAVE)->trigger();
    EXPECT_TRUE(firstName.endsWith("/Sonaro.wav")) << firstName.toStdString();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text, "Temporary file removed! Unable to save.");
    EXPECT_FALSE(test::Exists(dir.File("copy.wav")));
    EXPECT_EQ(script.unexpected(), 0);
}

TEST_F(FrameTest, HelpTopicsAndAboutComeFromTheHelpMenu) {
    Command(ID_HELP_TOPICS)->trigger();
    ASSERT_NE(app->help().window(), nullptr);
    EXPECT_TRUE(app->help().window()->isVisible());
    EXPECT_TRUE(app->help().window()->currentPage().toString().endsWith("index.html"));
    EXPECT_EQ(app->help().window()->parentWidget(), &frame());

    ModalScript script;
    QString aboutTitle;
    script.Then([&](QWidget* widget) {
        aboutTitle = widget->windowTitle();
        qobject_cast<QDialog*>(widget)->accept();
    });
    Command(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(aboutTitle, "About Sonaro");
}

TEST_F(FrameTest, ExitClosesTheWindow) {
    ASSERT_TRUE(frame().isVisible());
    Command(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(frame().isVisible());
}

class CommandLineTest : public test::GuiTest {};

TEST_F(CommandLineTest, FileOnTheCommandLineIsOpenedAndRemembered) {
    const std::string path = ValidFile("named.wav");
    // A relative name is made a full path first.
    const std::filesystem::path relative = std::filesystem::relative(path);
    Start({QString::fromStdString(relative.string())});
    ASSERT_TRUE(started);
    EXPECT_EQ(doc().sourcePath(), path);
    EXPECT_EQ(Caption(), "Sonaro - named.wav");
    EXPECT_TRUE(frame().isVisible());
    EXPECT_EQ(app->recentFiles().Entries(), QStringList({QString::fromStdString(path)}));
}

TEST_F(CommandLineTest, RefusedFileEndsTheStartAfterItsMessage) {
    const std::string bad = RefusedFile();
    ModalScript script;
    script.Then(AnswerMessage(&messages, QMessageBox::Ok));
    Start({QString::fromStdString(bad)});
    EXPECT_FALSE(started);
    EXPECT_EQ(app->mainFrame(), nullptr) << "no window is left";
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text, QString::fromStdString(bad + ":\nNot a RIFF file."));
    EXPECT_TRUE(app->recentFiles().Entries().isEmpty());
}

TEST(RecentFileListTest, KeepsTheFourNewestPathsNewestFirst) {
    CSonaroApp::SetProfileNames();
    QSettings().clear();
    RecentFileList list;
    for (const char* path : {"/a.wav", "/b.wav", "/c.wav", "/d.wav", "/e.wav"}) {
        list.Add(QString::fromUtf8(path));
    }
    EXPECT_EQ(list.Entries(), QStringList({"/e.wav", "/d.wav", "/c.wav", "/b.wav"}));
    list.Add(QStringLiteral("/c.wav"));
    EXPECT_EQ(list.Entries(), QStringList({"/c.wav", "/e.wav", "/d.wav", "/b.wav"}));
    const QSettings settings;
    EXPECT_EQ(settings.value("Recent File List/File1").toString(), "/c.wav");
    EXPECT_EQ(settings.value("Recent File List/File4").toString(), "/b.wav");
}

}  // namespace
}  // namespace sonaro
