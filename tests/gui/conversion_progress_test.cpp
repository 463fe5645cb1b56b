// A real conversion driven through the progress window, as the desktop program runs it: the main
// window disabled while it runs, Escape or the Cancel button stopping it at any stage with the
// temporary files gone, and the window's position kept only after a conversion that ran through.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPointer>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "convert/codecs/no_codec_manager.h"
#include "document/sonaro_doc.h"
#include "tests/support/fake_sound.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wav_builder.h"
#include "ui/profile.h"
#include "ui/progress_popup.h"

namespace sonaro {
namespace {

// The user of the desktop program as far as a conversion goes: real progress windows over the
// main window, messages recorded.
class PopupUser final : public UserPort {
  public:
    explicit PopupUser(QWidget* main) : main_(main) {}

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    SaveAnswer AskSaveChanges(const std::string&) override { return SaveAnswer::No; }
    std::optional<std::string> ChooseOpenPath(const std::string&) override { return {}; }
    std::optional<std::string> ChooseSavePath(const std::string&, const std::string&) override {
        return {};
    }
    bool RunSettings(SettingsValues&) override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void UpdateAllViews() override {}
    std::optional<std::string> ChooseImportPath(const std::string&,
                                                const std::vector<std::string>&) override {
        return {};
    }
    std::unique_ptr<ProgressPort> CreateProgress(const std::string& title,
                                                 const std::string& message) override {
        auto popup = CProgressPopup::OpenForWork(main_, title, message);
        popup_ = popup.get();
        return popup;
    }

    // The progress window of the conversion under way, or null.
    CProgressPopup* popup() const { return popup_; }

    std::vector<std::string> messages;

  private:
    QWidget* main_;
    QPointer<CProgressPopup> popup_;
};

class ConversionProgressTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings(kProfileOrganisation, kProfileApplication).clear();
        setenv("TMPDIR", temp_.path().c_str(), 1);  // the conversion's private directory
        main_.setCentralWidget(central_ = new QWidget);
        main_.setGeometry(50, 50, 480, 360);
        main_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
        // Three seconds of a stereo tone at 44100 Hz: every stage reports many times.
        std::vector<std::int16_t> samples;
        for (int i = 0; i < 3 * 44100; ++i) {
            const auto value = static_cast<std::int16_t>(8000 * std::sin(i * 0.06));
            samples.push_back(value);
            samples.push_back(value);
        }
        ASSERT_TRUE(doc_.OnOpenDocument(
            dir_.Write("tone.wav", test::Pcm16Spec(44100, 2, samples).Build())));
    }
    void TearDown() override { unsetenv("TMPDIR"); }

    // Runs Convert; act is called at every pump the conversion makes while its window is up.
    void Convert(const std::function<void(CProgressPopup&)>& act) {
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (CProgressPopup* popup = user_.popup()) {
                ++pumpsSeen_;
                mainEnabledDuring_ = mainEnabledDuring_ || main_.isEnabled();
                act(*popup);
            }
        });
        watcher.start(0);
        doc_.OnConvert();
    }

    // The intermediate files left in the conversion's private directories.
    std::vector<std::string> TemporaryFiles() const { return temp_.ListBelow(); }

    static bool ProfileHasPosition() {
        return QSettings(kProfileOrganisation, kProfileApplication)
            .contains(QStringLiteral("Settings/X"));
    }

    test::ScratchDir dir_;
    test::ScratchDir temp_;
    QMainWindow main_;
    QWidget* central_ = nullptr;
    PopupUser user_{&main_};
    test::FakeSound sound_;
    NoCodecManager codecs_;
    CSonaroDoc doc_{user_, sound_, codecs_};
    int pumpsSeen_ = 0;
    bool mainEnabledDuring_ = false;
};

TEST_F(ConversionProgressTest, RunsThroughWithTheMainWindowDisabled) {
    int lastPosition = 0;
    Convert([&](CProgressPopup& popup) {
        EXPECT_TRUE(popup.modal());
        EXPECT_EQ(popup.window()->windowTitle(), QStringLiteral("Converting..."));
        EXPECT_EQ(popup.messageText()->text(), QStringLiteral("tone.wav"));
        EXPECT_GE(popup.progressBar()->value(), lastPosition);  // the bar only moves forward
        lastPosition = popup.progressBar()->value();
    });
    EXPECT_TRUE(user_.messages.empty());
    EXPECT_TRUE(doc_.converted());
    std::printf("pumps seen: %d\n", pumpsSeen_);
    EXPECT_GT(pumpsSeen_, 10);
    EXPECT_GE(lastPosition, 98);
    EXPECT_FALSE(mainEnabledDuring_);
    EXPECT_TRUE(main_.isEnabled());
    EXPECT_EQ(user_.popup(), nullptr);  // the window lived for the conversion only
    EXPECT_EQ(ProfileHasPosition(), CProgressPopup::CanPlaceWindows());
    EXPECT_EQ(TemporaryFiles(), std::vector<std::string>{"SN_2_tmp.tmp"});  // the result
}

// Escape typed into the main window, or a click on Cancel, at a point well inside each stage.
TEST_F(ConversionProgressTest, EscapeOrCancelStopsAnyStage) {
    for (const bool escape : {true, false}) {
        for (const int at : {0, 2, 40, 90, 98}) {
            QSettings(kProfileOrganisation, kProfileApplication).clear();
            user_.messages.clear();
            bool sent = false;
            Convert([&](CProgressPopup& popup) {
                if (sent || popup.progressBar() == nullptr || popup.progressBar()->value() < at) {
                    return;
                }
                sent = true;
                if (escape) {
                    QCoreApplication::postEvent(
                        central_, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier,
                                                QStringLiteral("\x1b")));
                } else {
                    QTest::mouseClick(popup.cancelButton(), Qt::LeftButton);
                }
            });
            const std::string where = (escape ? "escape at " : "cancel at ") + std::to_string(at);
            EXPECT_TRUE(sent) << where;
            EXPECT_EQ(user_.messages, std::vector<std::string>{"Conversion cancelled."}) << where;
            EXPECT_FALSE(doc_.converted()) << where;
            EXPECT_TRUE(TemporaryFiles().empty()) << where;
            EXPECT_TRUE(main_.isEnabled()) << where;
            EXPECT_FALSE(ProfileHasPosition()) << where;
        }
    }
}

}  // namespace
}  // namespace sonaro
