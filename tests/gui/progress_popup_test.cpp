// The progress window through its real widgets: the layout arithmetic, the bar and message
// operations, the modal state, the cancel gestures seen by the pump, the quit request held for
// the main loop, and the position written to the profile.
#include "ui/progress_popup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QSettings>
#include <QStyle>
#include <QTest>
#include <memory>

#include "tests/gui/keyboard_focus.h"
#include "ui/profile.h"

namespace sonaro {
namespace {

// What the layout is made of: the message font's line height and the width of the button's
// caption with two blanks, the 3-D edge, and the frame around the client area.
struct Metrics {
    int line;
    int captionWidth;
    int edge;
};

Metrics MeasureFor(const QWidget& window) {
    const QFontMetrics font(QApplication::font("QMessageBox"));
    return {font.height(), font.horizontalAdvance(QStringLiteral(" Cancel   ")),
            window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &window)};
}

class ProgressPopupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings(kProfileOrganisation, kProfileApplication).clear();
        main_.setWindowTitle(QStringLiteral("main"));
        main_.setCentralWidget(central_ = new QWidget);
        main_.setGeometry(100, 80, 480, 360);
        main_.show();
        main_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
    }
    void TearDown() override {
        // Events left for windows that are gone are not delivered to the next test.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The popup as Convert drives it: shown, modal, laid out for one line.
    std::unique_ptr<CProgressPopup> ConvertingPopup() {
        auto popup = std::make_unique<CProgressPopup>(&main_, "Converting...", false);
        popup->BeginModal("Progress", false);
        popup->SetBarRange(0, 100, 1);
        popup->SetMessage("song.wav");
        popup->Layout(1, 320);
        popup->PumpWaitingMessages(true);
        return popup;
    }

    static bool ProfileHasPosition() {
        QSettings profile(kProfileOrganisation, kProfileApplication);
        return profile.contains(QStringLiteral("Settings/X")) ||
               profile.contains(QStringLiteral("Settings/Y"));
    }

    static void PostEscapeTo(QWidget* widget) {
        QCoreApplication::postEvent(widget, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape,
                                                          Qt::NoModifier, QStringLiteral("\x1b")));
    }

    // A release of the button at a screen position, delivered to whatever widget had the press.
    static void PostReleaseTo(QWidget* widget, QPoint global, Qt::MouseButton button) {
        const QPointF local = widget->mapFromGlobal(QPointF(global));
        QCoreApplication::postEvent(
            widget, new QMouseEvent(QEvent::MouseButtonRelease, local, local, QPointF(global),
                                    button, Qt::NoButton, Qt::NoModifier));
    }

    QMainWindow main_;
    QWidget* central_ = nullptr;
};

TEST_F(ProgressPopupTest, CreatedShownCentredWithoutCloseBox) {
    CProgressPopup popup(&main_, "Converting...", false);
    QWidget* window = popup.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Converting..."));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowTitleHint);
    EXPECT_EQ(popup.cancelButton()->text(), QStringLiteral(" Cancel "));
    EXPECT_TRUE(popup.messageText()->text().isEmpty());
    EXPECT_EQ(popup.progressBar()->minimum(), 0);
    EXPECT_EQ(popup.progressBar()->maximum(), 100);
    EXPECT_FALSE(popup.modal());
    EXPECT_TRUE(main_.isEnabled());
    EXPECT_EQ(popup.messageText()->font(), QApplication::font("QMessageBox"));
    EXPECT_EQ(popup.cancelButton()->font(), QApplication::font("QMessageBox"));
    if (!CProgressPopup::CanPlaceWindows()) {
        GTEST_SKIP() << "the compositor places windows here, over their owner as a rule";
    }
    const QPoint offset = window->frameGeometry().center() - main_.frameGeometry().center();
    EXPECT_LE(std::abs(offset.x()), 1);
    EXPECT_LE(std::abs(offset.y()), 1);
}

// Client size W + 20 by N lines + button height + 30; the button right-aligned under the text,
// 10 pixels down; the bar 10 pixels left of it, inset by one edge at top and bottom.
TEST_F(ProgressPopupTest, LayoutArithmetic) {
    CProgressPopup popup(&main_, "Converting...", false);
    QWidget* window = popup.window();
    const Metrics m = MeasureFor(*window);
    const int buttonWidth = m.captionWidth + 4 * m.edge;
    const int buttonHeight = m.line + 3 * m.edge;

    struct Case {
        int lines;
        int width;
        int textLines;  // lines the layout reserves
    };
    for (const Case c : {Case{4, 320, 4}, Case{1, 320, 1}, Case{0, 320, 1}, Case{3, 200, 3}}) {
        if (c.lines != 4) {
            popup.Layout(c.lines, c.width);
        }
        const int textHeight = c.textLines * m.line;
        EXPECT_EQ(window->size(), QSize(c.width + 20, textHeight + buttonHeight + 30)) << c.lines;
        EXPECT_EQ(popup.messageText()->geometry(), QRect(10, 10, c.width, textHeight));
        const QRect button(10 + c.width - buttonWidth, 10 + textHeight + 10, buttonWidth,
                           buttonHeight);
        EXPECT_EQ(popup.cancelButton()->geometry(), button) << c.lines;
        EXPECT_EQ(popup.progressBar()->geometry(),
                  QRect(10, button.top() + m.edge, button.left() - 20, buttonHeight - 2 * m.edge))
            << c.lines;
    }
}

TEST_F(ProgressPopupTest, RelayoutKeepsTheTopLeftCorner) {
    CProgressPopup popup(&main_, "Converting...", false);
    QWidget* window = popup.window();
    const QPoint corner = window->pos();
    const int height = window->height();
    popup.Layout(1, 320);
    EXPECT_EQ(window->pos(), corner);
    EXPECT_EQ(window->height(), height - 3 * MeasureFor(*window).line);
    // No longer centred vertically over the main window.
    EXPECT_LT(window->frameGeometry().center().y(), main_.frameGeometry().center().y() - 1);
}

TEST_F(ProgressPopupTest, BarRangeAndPositionAnswerThePreviousValues) {
    CProgressPopup popup(&main_, "Converting...", false);
    EXPECT_EQ(popup.SetBarRange(0, 100, 1), 10);  // a fresh bar steps by 10
    EXPECT_EQ(popup.SetBarRange(0, 100, 1), 1);
    EXPECT_EQ(popup.SetBarPos(50), 0);
    EXPECT_EQ(popup.progressBar()->value(), 50);
    EXPECT_EQ(popup.SetBarPos(98), 50);
    EXPECT_EQ(popup.SetBarPos(250), 98);
    EXPECT_EQ(popup.progressBar()->value(), 100);  // held at the end of the range
    popup.SetBarRange(-70000, 70000, 1);
    popup.SetBarPos(-65537);
    EXPECT_EQ(popup.SetBarPos(0), 0xFFFF);  // the previous position's low 16 bits
}

TEST_F(ProgressPopupTest, AReportShowsAHiddenWindowAgain) {
    CProgressPopup popup(&main_, "Converting...", false);
    popup.Hide();
    EXPECT_FALSE(popup.window()->isVisible());
    popup.SetBarPos(5);
    EXPECT_TRUE(popup.window()->isVisible());
}

TEST_F(ProgressPopupTest, MessageIsPlainTextCutAt511Bytes) {
    CProgressPopup popup(&main_, "Converting...", false);
    popup.SetMessage("100% <b>sure</b> &Name.wav");
    EXPECT_EQ(popup.messageText()->text(), QStringLiteral("100% <b>sure</b> &Name.wav"));
    EXPECT_EQ(popup.messageText()->textFormat(), Qt::PlainText);
    popup.SetMessage(std::string(600, 'x'));
    EXPECT_EQ(popup.messageText()->text(), QString(511, QChar('x')));
    // A two-byte character that would straddle the limit is left out whole.
    popup.SetMessage(std::string(510, 'y') + "\xC3\xA9zz");
    EXPECT_EQ(popup.messageText()->text(), QString(510, QChar('y')));
}

TEST_F(ProgressPopupTest, BeginModalWithoutAWindowMakesOneOverTheMainWindow) {
    CProgressPopup popup(nullptr, "Converting...", false);
    ASSERT_TRUE(popup.DestroyWindow());
    EXPECT_EQ(popup.window(), nullptr);
    EXPECT_EQ(popup.SetBarPos(40), 0);  // no window: the stored position comes back
    EXPECT_TRUE(popup.BeginModal("Progress", false));
    ASSERT_NE(popup.window(), nullptr);
    EXPECT_EQ(popup.window()->windowTitle(), QStringLiteral("Progress"));
    EXPECT_EQ(popup.window()->parentWidget(), &main_);
    EXPECT_FALSE(main_.isEnabled());
}

// The focus goes to the Cancel button, where a screen reader names it, and comes back there
// from the program's other windows at the next report.
TEST_F(ProgressPopupTest, PumpGivesTheModalWindowTheFocusOnCancel) {
    if (!test::ShowWithKeyboard(&main_)) {
        GTEST_SKIP() << test::kNoKeyboard;
    }
    auto popup = ConvertingPopup();
    EXPECT_EQ(QApplication::focusWidget(), popup->cancelButton());
    EXPECT_TRUE(popup->window()->isActiveWindow());
    QWidget other;  // as the help window, open beside the conversion
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.activateWindow();
    other.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == &other; }));
    popup->PumpWaitingMessages(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return popup->window()->isActiveWindow(); }));
    EXPECT_EQ(QApplication::focusWidget(), popup->cancelButton());
}

// Escape typed into any window of the program cancels; the popup goes at once, the main window
// stays disabled until the object goes, and no position is saved.
TEST_F(ProgressPopupTest, EscapeAnywhereCancels) {
    for (const bool intoMainWindow : {true, false}) {
        QSettings(kProfileOrganisation, kProfileApplication).clear();
        {
            auto popup = ConvertingPopup();
            ASSERT_EQ(popup->SetBarPos(30), 0);
            popup->PumpWaitingMessages(true);
            ASSERT_FALSE(popup->IsCancelled());
            PostEscapeTo(intoMainWindow ? central_ : popup->window());
            popup->PumpWaitingMessages(true);
            EXPECT_TRUE(popup->IsCancelled());
            EXPECT_EQ(popup->window(), nullptr);
            EXPECT_FALSE(main_.isEnabled());
            // Further reports change nothing.
            EXPECT_EQ(popup->SetBarPos(60), 30);
            popup->SetMessage("later");
            popup->Layout(4, 320);
            popup->PumpWaitingMessages(true);
            EXPECT_TRUE(popup->IsCancelled());
        }
        EXPECT_TRUE(main_.isEnabled());
        EXPECT_FALSE(ProfileHasPosition());
    }
}

TEST_F(ProgressPopupTest, EscapeIgnoredWhenThePumpIsToldSo) {
    auto popup = ConvertingPopup();
    PostEscapeTo(central_);
    popup->PumpWaitingMessages(false);
    EXPECT_FALSE(popup->IsCancelled());
    ASSERT_NE(popup->window(), nullptr);
    EXPECT_TRUE(popup->window()->isVisible());
}

// Escape before the window is modal hides it; the window still exists, so its position is saved
// (where the platform tells positions).
TEST_F(ProgressPopupTest, CancelBeforeModalOnlyHides) {
    {
        CProgressPopup popup(&main_, "Converting...", false);
        PostEscapeTo(central_);
        popup.PumpWaitingMessages(true);
        EXPECT_TRUE(popup.IsCancelled());
        ASSERT_NE(popup.window(), nullptr);
        EXPECT_FALSE(popup.window()->isVisible());
    }
    EXPECT_EQ(ProfileHasPosition(), CProgressPopup::CanPlaceWindows());
}

TEST_F(ProgressPopupTest, LeftButtonReleasedOverCancelCancelsWherePressed) {
    auto popup = ConvertingPopup();
    QPushButton* button = popup->cancelButton();
    const QPoint overButton = button->mapToGlobal(button->rect().center());
    const QPoint overBar = popup->progressBar()->mapToGlobal(QPoint(2, 2));

    // One event at a time: mouse events made for the same device share their point's state.
    PostReleaseTo(popup->progressBar(), overBar, Qt::LeftButton);  // not over the button
    popup->PumpWaitingMessages(true);
    EXPECT_FALSE(popup->IsCancelled());
    PostReleaseTo(popup->progressBar(), overButton, Qt::RightButton);  // not the left button
    popup->PumpWaitingMessages(true);
    EXPECT_FALSE(popup->IsCancelled());

    PostReleaseTo(popup->progressBar(), overButton, Qt::LeftButton);
    popup->PumpWaitingMessages(true);
    EXPECT_TRUE(popup->IsCancelled());
    EXPECT_EQ(popup->window(), nullptr);
}

// A close request from the window manager cannot leave a conversion running with no window.
TEST_F(ProgressPopupTest, CloseRequestCancels) {
    auto popup = ConvertingPopup();
    popup->window()->close();
    EXPECT_TRUE(popup->IsCancelled());
    EXPECT_EQ(popup->window(), nullptr);
}

// Where the compositor places windows (Wayland) no position is known, and none is written.
TEST_F(ProgressPopupTest, NormalEndSavesTheLastTopLeftCorner) {
    if (!CProgressPopup::CanPlaceWindows()) {
        { ConvertingPopup(); }
        EXPECT_FALSE(ProfileHasPosition());
        return;
    }
    QPoint corner;
    {
        auto popup = ConvertingPopup();
        popup->window()->move(123, 77);
        popup->SetBarPos(100);
        popup->PumpWaitingMessages(true);
        corner = popup->window()->frameGeometry().topLeft();
    }
    QSettings profile(kProfileOrganisation, kProfileApplication);
    EXPECT_EQ(profile.value(QStringLiteral("Settings/X")).toInt(), corner.x());
    EXPECT_EQ(profile.value(QStringLiteral("Settings/Y")).toInt(), corner.y());
    EXPECT_EQ(corner, QPoint(123, 77));
    EXPECT_TRUE(main_.isEnabled());
}

// A quit request that arrives while a stage pumps is not acted on then (it would close the
// windows under the conversion); it is posted again for the main loop.
TEST_F(ProgressPopupTest, QuitSeenWhilePumpingIsPostedAgain) {
    auto popup = ConvertingPopup();
    QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    for (int i = 0; i < 3; ++i) {
        popup->PumpWaitingMessages(true);
    }
    EXPECT_TRUE(main_.isVisible());
    ASSERT_NE(popup->window(), nullptr);
    EXPECT_TRUE(popup->window()->isVisible());
    EXPECT_FALSE(popup->IsCancelled());

    // Once the stages are done, the request is still waiting for the main loop, exactly once.
    popup.reset();
    struct QuitCounter : QObject {
        int quits = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Quit) {
                ++quits;
                return true;
            }
            return false;
        }
    } counter;
    qApp->installEventFilter(&counter);
    QCoreApplication::sendPostedEvents(qApp, QEvent::Quit);
    qApp->removeEventFilter(&counter);
    EXPECT_EQ(counter.quits, 1);
}

}  // namespace
}  // namespace sonaro
