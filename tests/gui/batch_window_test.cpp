// The batch window through its real widgets and the application's importer: a run of forty files
// of mixed formats against sonaro-convert byte for byte, a cancel in the middle, each choice for a
// taken name, drops of files and folders, several files on the command line, the volume level
// shared with the document, the notification at the end, and what a screen reader meets.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <functional>

#include "convert/codecs/no_codec_manager.h"
#include "resources/string_ids.h"
#include "tests/gui/gui_fixture.h"
#include "tests/support/fake_importer.h"
#include "tests/support/run_process.h"
#include "ui/batch_file_list.h"
#include "ui/batch_time_left.h"
#include "ui/batch_window.h"

namespace sonaro {
namespace {

namespace fs = std::filesystem;
using State = BatchFileList::State;

const std::string kConvert = SONARO_CONVERT_PATH;
// A run of the tests' inputs ends well within this.
constexpr int kRunLimitMs = 25000;

class BatchWindowTest : public test::GuiTest {
  protected:
    void SetUp() override {
        ::setenv("TMPDIR", tempRoot.path().c_str(), 1);
        Start();
        Command(ID_FILE_CONVERT_SEVERAL)->trigger();
        ASSERT_NE(window(), nullptr);
        window()->outputFolderEdit()->setText(QString::fromStdString(dir.File("out")));
    }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    CBatchWindow* window() { return app->batchWindow(); }
    BatchFileList& files() { return *window()->files(); }
    QPushButton* Button(const char* name) { return window()->button(name); }
    void Add(const std::vector<std::string>& paths) {
        QStringList list;
        for (const std::string& path : paths) {
            list.append(QString::fromStdString(path));
        }
        window()->AddPaths(list);
    }
    // Presses Convert and waits for the run's end; false when it did not end in time.
    bool Run(const std::function<void()>& whileRunning = {}) {
        QSignalSpy ended(window(), &CBatchWindow::runEnded);
        QTest::mouseClick(Button("convertButton"), Qt::LeftButton);
        if (whileRunning) {
            whileRunning();
        }
        return ended.count() > 0 || ended.wait(kRunLimitMs);
    }
    QString Cell(int row, int column) {
        return files().data(files().index(row, column), Qt::DisplayRole).toString();
    }
    // What sonaro-convert makes of the inputs at that volume level, in a folder of its own.
    std::string Reference(const std::vector<std::string>& inputs, int volume) {
        std::vector<std::string> arguments = {"--import", "-j2", "--volume",
                                              std::to_string(volume)};
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        arguments.insert(arguments.end(), {"--output-dir", dir.File("ref")});
        fs::create_directories(dir.File("ref"));
        test::RunProcess(kConvert, arguments);
        return dir.File("ref");
    }
    // The names in a folder, each with the bytes it holds.
    static std::map<std::string, std::vector<std::uint8_t>> Contents(const std::string& folder) {
        std::map<std::string, std::vector<std::uint8_t>> contents;
        for (const auto& entry : fs::directory_iterator(folder)) {
            contents[entry.path().filename()] = test::ReadAll(entry.path());
        }
        return contents;
    }
    // The same names holding the same bytes; a difference is named by its file.
    static void ExpectSameFiles(const std::map<std::string, std::vector<std::uint8_t>>& actual,
                                const std::map<std::string, std::vector<std::uint8_t>>& expected) {
        std::vector<std::string> actualNames;
        std::vector<std::string> expectedNames;
        for (const auto& [name, bytes] : actual) {
            actualNames.push_back(name);
            EXPECT_TRUE(expected.count(name) == 0 || expected.at(name) == bytes) << name;
        }
        for (const auto& entry : expected) {
            expectedNames.push_back(entry.first);
        }
        EXPECT_EQ(actualNames, expectedNames);
    }
    void MakeWithSox(const std::string& name, const std::string& options) {
        const auto made = test::RunShellIn(
            dir.path(), "sox -n " + options + " " + name + " synth 0.3 sine 300-2000 gain -4");
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }

    test::ScratchDir tempRoot;
};

// Forty files: PCM of 8 and 16 bits, mono and stereo, MS ADPCM, at every rate; one that the
// reader refuses (already converted) and one that it imports (FLAC). Each result holds exactly
// the bytes of sonaro-convert at the window's volume level, which is the document's; the
// refused row stays with the reader's text, the converted ones leave the list.
TEST_F(BatchWindowTest, FortyFilesGiveTheBytesOfTheCommandLine) {
    if (!test::Exists("/usr/bin/sox")) {
        GTEST_SKIP() << "sox is not installed";
    }
    const char* rates[] = {"8000",  "11025", "12000", "16000", "22050",
                           "24000", "32000", "44100", "48000"};
    std::vector<std::string> inputs;
    for (int i = 0; i < 38; ++i) {
        const std::string name = "f" + std::to_string(i) + ".wav";
        const std::string encoding = i % 4 == 3 ? "-e ms-adpcm" : i % 4 == 2 ? "-b 8" : "-b 16";
        MakeWithSox(name, "-r " + std::string(rates[i % 9]) + " -c " + (i % 3 == 0 ? "2" : "1") +
                              " " + encoding);
        inputs.push_back(dir.File(name));
    }
    MakeWithSox("song.flac", "-r 44100 -c 2");
    inputs.push_back(dir.File("song.flac"));
    inputs.push_back(dir.Write("done.wav", test::ALawSpec({1, 2, 3, 4}).Build()));
    Add(inputs);
    ASSERT_EQ(files().rowCount(), 40);
    EXPECT_EQ(Cell(38, BatchFileList::SoundColumn), "Will be imported");
    EXPECT_EQ(Cell(39, BatchFileList::SoundColumn), "WAV file already optimised!");
    EXPECT_EQ(Cell(4, BatchFileList::SoundColumn), "PCM, 22050 Hz, mono, 00:00.30");
    EXPECT_EQ(Cell(3, BatchFileList::SoundColumn).toStdString(),
              "ADPCM, 16000 Hz, stereo, 00:00.31");

    window()->volumeBox()->setValue(6);
    EXPECT_EQ(doc().volumeLevel(), 6);
    ASSERT_TRUE(Run());
    EXPECT_EQ(window()->summaryLabel()->text(), "39 converted, 1 refused");
    EXPECT_EQ(window()->overallBar()->text(), "40 of 40");
    ASSERT_EQ(files().rowCount(), 1);
    EXPECT_EQ(Cell(0, BatchFileList::StatusColumn), "Refused: WAV file already optimised!");

    auto results = Contents(dir.File("out"));
    const auto expected = Contents(Reference(inputs, 6));
    EXPECT_EQ(results.size(), 39U);
    ExpectSameFiles(results, expected);
    EXPECT_TRUE(tempRoot.ListBelow().empty());
}

// Cancel while the third file is being imported (its importer holds until then) and a file is
// done: the files done stay whole, no other file is left in the folder or in the temporary
// directory; the rest stay listed as cancelled, and Convert goes on with them.
TEST_F(BatchWindowTest, CancelInTheMiddleLeavesNoPartialFile) {
    NoCodecManager codecs;
    test::FakeImporter importer;
    importer.output = test::ToneFile(32000, 1, 1.0);
    importer.holdAtFirstReport = true;
    CBatchWindow window(codecs, &importer, {[] { return 10; }, [](int) {}, {}, {}, {}});
    window.outputFolderEdit()->setText(QString::fromStdString(dir.File("out")));
    std::vector<std::string> plain;
    QStringList inputs;
    for (const char* name : {"a", "b", "c", "d", "e", "f"}) {
        const std::string path =
            std::string(name) == "c"
                ? dir.Write("c.mp3", {'I', 'D', '3', 4, 0, 0})
                : dir.Write(std::string(name) + ".wav", test::ToneFile(44100, 2, 3.0));
        inputs.append(QString::fromStdString(path));
        plain.push_back(std::string(name) == "c" ? dir.Write("c.wav", importer.output) : path);
    }
    window.AddPaths(inputs);
    QSignalSpy ended(&window, &CBatchWindow::runEnded);
    window.StartRun();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window.files()->Count(State::Converted) > 0 &&
                   window.files()
                       ->data(window.files()->index(2, 3), Qt::DisplayRole)
                       .toString()
                       .startsWith("Importing");
        },
        kRunLimitMs));
    QTest::mouseClick(window.button("cancelButton"), Qt::LeftButton);
    ASSERT_TRUE(ended.wait(kRunLimitMs));
    const auto expected = Contents(Reference(plain, 10));
    const auto results = Contents(dir.File("out"));
    const int cancelled = window.files()->Count(State::Cancelled);
    EXPECT_EQ(window.files()->rowCount(), cancelled) << "the converted files left the list";
    const int third = static_cast<int>(window.files()->Paths().indexOf(inputs[2]));
    ASSERT_GE(third, 0) << "the file being imported stays listed";
    EXPECT_EQ(window.files()->state(third), State::Cancelled);
    EXPECT_GE(results.size(), 1U) << "a file before the third one is done";
    EXPECT_EQ(results.size() + static_cast<std::size_t>(cancelled), inputs.size());
    for (const auto& [name, bytes] : results) {
        EXPECT_TRUE(bytes == expected.at(name)) << name;
    }
    EXPECT_EQ(
        window.summaryLabel()->text().toStdString(),
        std::to_string(results.size()) + " converted, " + std::to_string(cancelled) + " cancelled");
    EXPECT_TRUE(tempRoot.ListBelow().empty());

    window.StartRun();
    ASSERT_TRUE(ended.wait(kRunLimitMs));
    EXPECT_EQ(window.files()->rowCount(), 0);
    ExpectSameFiles(Contents(dir.File("out")), expected);
    EXPECT_TRUE(tempRoot.ListBelow().empty());
}

// The folder holds a.wav; the list is x/a.wav, y/a.wav and b.wav. Each choice for a taken name,
// then a file of the folder itself, which Replace would write over: refused before any work.
TEST_F(BatchWindowTest, EachChoiceForATakenName) {
    fs::create_directories(dir.File("x"));
    fs::create_directories(dir.File("y"));
    const std::vector<std::string> inputs = {dir.Write("x/a.wav", test::ToneFile(8000, 1, 0.3)),
                                             dir.Write("y/a.wav", test::ToneFile(16000, 2, 0.2)),
                                             dir.Write("b.wav", test::ToneFile(22050, 1, 0.1))};
    const auto alone = Contents(Reference({inputs[0], inputs[2]}, 10));
    fs::rename(dir.File("ref"), dir.File("ref-x"));
    const auto aloneY = Contents(Reference({inputs[1]}, 10));
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    const struct {
        int choice;  // in the box: replace, skip, number
        std::map<std::string, std::vector<std::uint8_t>> folder;
        QStringList statuses;  // of the rows left
    } cases[] = {
        {0,
         {{"a.wav", aloneY.at("a.wav")}, {"b.wav", alone.at("b.wav")}},
         {"Skipped: the name is taken"}},
        {1,
         {{"a.wav", old}, {"b.wav", alone.at("b.wav")}},
         {"Skipped: the name is taken", "Skipped: the name is taken"}},
        {2,
         {{"a.wav", old},
          {"a (2).wav", alone.at("a.wav")},
          {"a (3).wav", aloneY.at("a.wav")},
          {"b.wav", alone.at("b.wav")}},
         {}},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir.File("out"));
        fs::create_directories(dir.File("out"));
        dir.Write("out/a.wav", old);
        files().Clear();
        Add(inputs);
        window()->nameTakenBox()->setCurrentIndex(c.choice);
        ASSERT_TRUE(Run());
        ExpectSameFiles(Contents(dir.File("out")), c.folder);
        QStringList statuses;
        for (int row = 0; row < files().rowCount(); ++row) {
            statuses.append(Cell(row, BatchFileList::StatusColumn));
        }
        EXPECT_EQ(statuses, c.statuses) << c.choice;
    }

    files().Clear();
    Add({dir.File("out/b.wav")});
    window()->nameTakenBox()->setCurrentIndex(0);
    std::vector<test::ShownMessage> shown;
    test::ModalScript script;
    script.Then(test::AnswerMessage(&shown, QMessageBox::Ok));
    QTest::mouseClick(Button("convertButton"), Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].text, "The result of " + QString::fromStdString(dir.File("out/b.wav")) +
                                 " would replace that file itself.\nChoose another output folder,"
                                 " or another choice for a name that is taken.");
    EXPECT_FALSE(window()->running());
    EXPECT_EQ(Cell(0, BatchFileList::StatusColumn), "Waiting");
}

// Two files and a folder dropped at once: the files, and the sound files of the folder and of the
// folders in it; a file already listed is not listed twice. The import box decides what a file
// the reader refuses shows.
TEST_F(BatchWindowTest, ADropOfFilesAndAFolder) {
    fs::create_directories(dir.File("folder/inner"));
    const std::string one = dir.Write("one.wav", test::ToneFile(44100, 2, 0.5));
    const std::string two = dir.Write("two.mp3", {'I', 'D', '3', 4, 0, 0});
    dir.Write("folder/inner/deep.wav", test::ToneFile(8000, 1, 1.0));
    dir.Write("folder/notes.txt", {'h', 'i'});
    dir.Write("folder/ring.flac", {'f', 'L', 'a', 'C'});
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(one)),
                  QUrl::fromLocalFile(QString::fromStdString(two)),
                  QUrl::fromLocalFile(QString::fromStdString(dir.File("folder"))),
                  QUrl::fromLocalFile(QString::fromStdString(one))});
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(window())->event(&drop);
    EXPECT_TRUE(drop.isAccepted());
    const std::vector<std::array<QString, 3>> expected = {
        {"one.wav", QString::fromStdString(dir.path()), "PCM, 44100 Hz, stereo, 00:00.50"},
        {"two.mp3", QString::fromStdString(dir.path()), "Will be imported"},
        {"deep.wav", QString::fromStdString(dir.File("folder/inner")),
         "PCM, 8000 Hz, mono, 00:01.00"},
        {"ring.flac", QString::fromStdString(dir.File("folder")), "Will be imported"},
    };
    ASSERT_EQ(files().rowCount(), static_cast<int>(expected.size()));
    for (int row = 0; row < files().rowCount(); ++row) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(Cell(row, column),
                      expected[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]);
        }
        EXPECT_EQ(Cell(row, BatchFileList::StatusColumn), "Waiting");
    }
    window()->importBox()->setChecked(false);
    EXPECT_EQ(Cell(1, BatchFileList::SoundColumn), "Not a RIFF file.");
    window()->table()->selectRow(1);
    QTest::mouseClick(Button("removeButton"), Qt::LeftButton);
    EXPECT_EQ(files().Paths().size(), 3);
    QTest::mouseClick(Button("clearButton"), Qt::LeftButton);
    EXPECT_EQ(files().rowCount(), 0);
    EXPECT_FALSE(Button("convertButton")->isEnabled());
}

// Several files on the command line open the batch window alone; one file still opens in the main
// window.
TEST_F(BatchWindowTest, SeveralFilesOnTheCommandLineOpenTheBatchWindow) {
    const struct {
        int files;
        bool batchShown;
        bool mainShown;
    } cases[] = {{3, true, false}, {1, false, true}};
    for (const auto& c : cases) {
        app = std::make_unique<CSonaroApp>(std::make_unique<test::FakeSound>(1));
        QStringList arguments;
        for (int i = 0; i < c.files; ++i) {
            arguments.append(QString::fromStdString(ValidFile("f" + std::to_string(i) + ".wav")));
        }
        ASSERT_TRUE(app->InitInstance(arguments));
        EXPECT_EQ(window() != nullptr && window()->isVisible(), c.batchShown) << c.files;
        EXPECT_EQ(frame().isVisible(), c.mainShown) << c.files;
        if (window() != nullptr) {
            EXPECT_EQ(files().Paths().size(), c.files);
        } else {
            EXPECT_EQ(doc().fileName(), "f0.wav");
        }
    }
}

// The window shows the document's level, also after the Settings dialog changed it; a change in
// the window is the document's (Convert comes back), and the level stays while the main window
// waits for a conversion.
TEST_F(BatchWindowTest, TheVolumeLevelIsTheDocuments) {
    doc().OnOpenDocument(ValidFile());
    frame().OnCommand(ID_CONVERT);
    ASSERT_FALSE(Enabled(ID_CONVERT));
    window()->volumeBox()->setValue(4);
    EXPECT_EQ(doc().volumeLevel(), 4);
    EXPECT_TRUE(Enabled(ID_CONVERT)) << "a new level converts again";

    test::ModalScript script;
    script.Then([](QWidget* dialog) {
        dialog->findChild<QSlider*>()->setValue(8);
        qobject_cast<QDialog*>(dialog)->accept();
    });
    frame().OnCommand(ID_SETTINGS);
    EXPECT_EQ(doc().volumeLevel(), 8);
    EXPECT_EQ(window()->volumeBox()->value(), 8);

    frame().setEnabled(false);
    EXPECT_FALSE(window()->volumeBox()->isEnabled());
    frame().setEnabled(true);
    EXPECT_TRUE(window()->volumeBox()->isEnabled());
}

// The end of a run is told by a notification only when the window is not the active one; closing
// the window during a run cancels it first and closes once it has ended.
TEST_F(BatchWindowTest, NotificationAndClosingDuringARun) {
    const struct {
        bool active;
        bool notified;
    } cases[] = {{true, false}, {false, true}};
    NoCodecManager codecs;
    for (const auto& c : cases) {
        QStringList told;
        QStringList opened;
        CBatchWindow window(
            codecs, nullptr,
            {[] { return 10; }, [](int) {},
             [&](const QString& summary, const QString& folder) { told << summary << folder; },
             [&](const QString& folder) { opened << folder; }, [](int) {}});
        const QString folder = QString::fromStdString(dir.File(c.active ? "active" : "inactive"));
        window.outputFolderEdit()->setText(folder);
        window.AddPaths({QString::fromStdString(ValidFile("n.wav"))});
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        if (c.active) {
            QApplication::setActiveWindow(&window);
        } else {
            QApplication::setActiveWindow(&frame());
        }
        QSignalSpy ended(&window, &CBatchWindow::runEnded);
        EXPECT_FALSE(window.button("openFolderButton")->isEnabled()) << "no folder yet";
        window.StartRun();
        ASSERT_TRUE(ended.wait(kRunLimitMs));
        QTest::mouseClick(window.button("openFolderButton"), Qt::LeftButton);
        EXPECT_EQ(opened, QStringList{folder});
        const QStringList expected = {"1 converted", folder};
        EXPECT_EQ(told, c.notified ? expected : QStringList());
    }

    Add({dir.Write("long.wav", test::ToneFile(44100, 2, 30.0))});
    QSignalSpy ended(window(), &CBatchWindow::runEnded);
    window()->StartRun();
    window()->close();
    EXPECT_TRUE(window()->isVisible()) << "until the run has ended";
    ASSERT_TRUE(ended.wait(kRunLimitMs));
    EXPECT_FALSE(window()->isVisible());
    EXPECT_EQ(files().Count(State::Cancelled), 1);
    EXPECT_FALSE(test::Exists(dir.File("out/long.wav")));
    EXPECT_TRUE(tempRoot.ListBelow().empty());
}

// Every control is named for a screen reader and reached by the keyboard; the list is read cell
// by cell.
TEST_F(BatchWindowTest, WhatAScreenReaderMeets) {
    fs::create_directories(dir.File("out"));  // Open Folder is there to press
    window()->outputFolderEdit()->setText(QString::fromStdString(dir.File("out")));
    Add({ValidFile("a.wav")});
    window()->show();
    QStringList unnamed;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        switch (node->role()) {
            case QAccessible::PushButton:
            case QAccessible::CheckBox:
            case QAccessible::ComboBox:
            case QAccessible::SpinBox:
            case QAccessible::EditableText:
            case QAccessible::ProgressBar:
            case QAccessible::StaticText:
            case QAccessible::Table:
                if (node->text(QAccessible::Name).trimmed().isEmpty()) {
                    unnamed << node->object()->objectName();
                }
                return;  // a table's cells are read by their texts
            default:
                break;
        }
        for (int i = 0; i < node->childCount(); ++i) {
            walk(node->child(i));
        }
    };
    walk(QAccessible::queryAccessibleInterface(window()));
    EXPECT_EQ(unnamed, QStringList{});
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(window()->table());
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_EQ(table->tableInterface()->columnDescription(3), "Status");
    EXPECT_EQ(table->tableInterface()->cellAt(0, 3)->text(QAccessible::Name), "Waiting");

    QStringList reached;
    QApplication::setActiveWindow(window());
    Button("addFilesButton")->setFocus();
    for (int i = 0; i < 20; ++i) {
        reached << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (const char* name : {"addFilesButton", "addFolderButton", "batchFileTable", "importBox",
                             "outputFolderEdit", "chooseFolderButton", "nameTakenBox", "volumeBox",
                             "openFolderButton", "helpButton", "convertButton", "closeButton"}) {
        EXPECT_TRUE(reached.contains(QString::fromLatin1(name)))
            << name << " " << reached.join(' ').toStdString();
    }
}

// The first output folder is "Sonaro" in the music folder of the user-dirs file, when that lies
// in the home folder; nothing is made before a run. A folder once used is the next window's.
TEST_F(BatchWindowTest, TheOutputFolderFirstInTheMusicFolderThenAsChosen) {
    const QByteArray home = qgetenv("HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    test::ScratchDir user;
    qputenv("HOME", QByteArray::fromStdString(user.path()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(user.path()));
    const struct {
        const char* userDirs;  // the line of user-dirs.dirs, none when empty
        const char* folder;    // below the home folder
    } cases[] = {{"", "Music/Sonaro"},
                 {"XDG_MUSIC_DIR=\"$HOME/Tunes\"", "Tunes/Sonaro"},
                 {"XDG_MUSIC_DIR=\"/srv/music\"", "Music/Sonaro"},
                 {"XDG_MUSIC_DIR=\"$HOME/\"", "Music/Sonaro"}};
    NoCodecManager codecs;
    for (const auto& c : cases) {
        const std::string line = c.userDirs;
        user.Write("user-dirs.dirs", std::vector<std::uint8_t>(line.begin(), line.end()));
        QSettings().clear();
        CBatchWindow fresh(codecs, nullptr, {});
        EXPECT_EQ(fresh.outputFolderEdit()->text().toStdString(), user.File(c.folder))
            << c.userDirs;
    }
    EXPECT_EQ(user.List(), std::vector<std::string>{"user-dirs.dirs"}) << "nothing made";
    for (const auto& [name, value] : {std::pair{"HOME", home}, {"XDG_CONFIG_HOME", config}}) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }

    Add({ValidFile("a.wav")});
    window()->nameTakenBox()->setCurrentIndex(2);
    ASSERT_TRUE(Run());
    CBatchWindow next(codecs, nullptr, {});
    EXPECT_EQ(next.outputFolderEdit()->text().toStdString(), dir.File("out"));
    EXPECT_EQ(next.nameTakenBox()->currentIndex(), 2);
}

TEST(BatchTimeLeft, FromTheTimeTakenAndTheShareDone) {
    const struct {
        double seconds;
        double share;
        const char* text;
    } cases[] = {{1.5, 0.5, ""},
                 {10.0, 0.01, ""},
                 {10.0, 1.0, ""},
                 {3.0, 0.5, "about 5 s left"},
                 {10.0, 0.5, "about 10 s left"},
                 {54.0, 0.5, "about 55 s left"},
                 {56.0, 0.5, "about 1 min left"},
                 {20.0, 0.25, "about 1 min left"},
                 {60.0, 0.2, "about 4 min left"},
                 {30.0, 0.1, "about 5 min left"}};
    for (const auto& c : cases) {
        EXPECT_EQ(TimeLeftText(c.seconds, c.share).toStdString(), c.text)
            << c.seconds << " s, " << c.share;
    }
}

}  // namespace
}  // namespace sonaro
