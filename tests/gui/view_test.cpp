// The information view as painted: where the pictures, labels and values land, and in which
// colours; and the caption it writes.
#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <QToolBar>

#include "resources/string_ids.h"
#include "tests/gui/gui_fixture.h"
#include "tests/gui/keyboard_focus.h"
#include "ui/sonaro_view.h"

namespace sonaro {
namespace {

constexpr QRgb kBlue = 0xFF0029BD;
constexpr QRgb kGreen = 0xFF009C31;

bool IsInk(QRgb pixel) {
    return qGray(pixel) < 160;
}

bool IsGreenish(QRgb pixel) {
    return qGreen(pixel) > qRed(pixel) + 40 && qGreen(pixel) > qBlue(pixel) + 40;
}

class ViewTest : public test::GuiTest {
  protected:
    void SetUp() override { Start(); }

    QImage Render() {
        return frame().view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The leftmost pixel in the rows [top, top + height) from x on that passes the test, or -1.
    static int LeftmostIn(const QImage& image, int top, int height, int fromX, bool (*test)(QRgb)) {
        for (int x = fromX; x < image.width(); ++x) {
            for (int y = top; y < top + height && y < image.height(); ++y) {
                if (test(image.pixel(x, y))) {
                    return x;
                }
            }
        }
        return -1;
    }
    static bool Holds(const QImage& image, QRect area, QRgb colour) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (image.pixel(x, y) == colour) {
                    return true;
                }
            }
        }
        return false;
    }
    // The value column: 20 pixels right of the widest of the six labels in the view's font.
    int ExpectedValueX() {
        const QFontMetrics metrics(frame().view()->font());
        int widest = 0;
        for (const char* label :
             {"Format:", "Size:", "Playback time:", "Sampling rate:", "Channels:", "Bit depth:"}) {
            widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(label)));
        }
        return 190 + widest + 20;
    }
};

TEST_F(ViewTest, EmptyDocumentShowsPicturesAndLabelsButNoValues) {
    const QImage image = Render();
    const int lineHeight = QFontMetrics(frame().view()->font()).height();
    for (int line = 0; line < 6; ++line) {
        const int top = 115 + 25 * line;
        const int x = LeftmostIn(image, top, lineHeight, 170, IsInk);
        EXPECT_GE(x, 190) << "label " << line;
        EXPECT_LE(x, 192) << "label " << line;
        EXPECT_TRUE(Holds(image, QRect(190, top, 100, lineHeight), 0xFF000000))
            << "labels are black, line " << line;
        // Nothing above the label's top row belongs to it.
        EXPECT_EQ(LeftmostIn(image, top - 4, 4, 170, IsInk), -1) << "line " << line;
    }
    EXPECT_EQ(LeftmostIn(image, 110, 160, 170, IsGreenish), -1) << "no values without a file";
    EXPECT_EQ(Caption(), "Sonaro");
}

TEST_F(ViewTest, PicturesSitAtTheirPlaces) {
    const QImage image = Render();
    const int height = frame().view()->height();
    const int top = (height - 232) / 2;
    EXPECT_EQ(image.pixel(15 + 75, top + 2), kBlue) << "blue bar at the picture's top";
    EXPECT_EQ(image.pixel(15 + 75, top + 229), kGreen) << "green bar at its bottom";
    EXPECT_EQ(image.pixel(15, top + 2), kBlue) << "the picture starts at x = 15";
    EXPECT_NE(image.pixel(14, top + 2), kBlue);
    EXPECT_NE(image.pixel(15 + 75, top - 1), kBlue) << "and at the centred top";
    // The banner: its name in blue, its subtitle in green, within 260 x 65 at (190, 20).
    EXPECT_TRUE(Holds(image, QRect(190, 20, 260, 35), kBlue));
    EXPECT_TRUE(Holds(image, QRect(190, 50, 260, 35), kGreen));
    EXPECT_FALSE(Holds(image, QRect(190, 0, 260, 20), kBlue));
}

TEST_F(ViewTest, ValuesStandInTheColumnRightOfTheWidestLabel) {
    ASSERT_TRUE(doc().OnOpenDocument(ValidFile("tone.wav")));
    const QImage image = Render();
    const int lineHeight = QFontMetrics(frame().view()->font()).height();
    const int valueX = ExpectedValueX();
    for (int line = 0; line < 6; ++line) {
        const int top = 115 + 25 * line;
        const int x = LeftmostIn(image, top, lineHeight, 200, IsGreenish);
        EXPECT_GE(x, valueX) << "value " << line;
        EXPECT_LE(x, valueX + 2) << "value " << line;
        EXPECT_TRUE(Holds(image, QRect(valueX, top, 80, lineHeight), kGreen)) << "line " << line;
    }
    EXPECT_EQ(Caption(), "Sonaro - tone.wav");
}

TEST_F(ViewTest, DisabledMainWindowShowsTheSameView) {
    ASSERT_TRUE(doc().OnOpenDocument(ValidFile()));
    const QImage enabled = Render();
    frame().setEnabled(false);  // as while a conversion runs
    const QImage disabled = Render();
    frame().setEnabled(true);
    EXPECT_EQ(disabled, enabled);
    EXPECT_EQ(enabled.pixel(300, 5), 0xFFFFFFFF) << "white ground";
}

// The keyboard reaches the view; the style's focus mark is drawn around the lines, and only there,
// once the keyboard moved the focus (the look at the start, or after a click, stays as described).
TEST_F(ViewTest, FocusFrameAroundTheLinesOnceTheKeyboardMovedIt) {
    ASSERT_TRUE(doc().OnOpenDocument(ValidFile()));
    if (!test::ShowWithKeyboard(&frame())) {
        GTEST_SKIP() << test::kNoKeyboard;
    }
    CSonaroView* view = frame().view();
    ASSERT_EQ(frame().focusWidget(), view) << "the view has the focus from the start";
    const QImage start = Render();
    view->clearFocus();
    EXPECT_EQ(Render(), start) << "no frame without the keyboard";
    QWidget* stop = frame().toolBar()->widgetForAction(Command(ID_STOP));
    stop->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(stop, Qt::Key_Tab);  // round from the last button to the view
    ASSERT_EQ(frame().focusWidget(), view);
    const QImage focused = Render();
    QRect changed;
    for (int y = 0; y < start.height(); ++y) {
        for (int x = 0; x < start.width(); ++x) {
            if (focused.pixel(x, y) != start.pixel(x, y)) {
                changed |= QRect(x, y, 1, 1);
            }
        }
    }
    const int lineHeight = QFontMetrics(view->font()).height();
    EXPECT_EQ(changed.left(), 190 - 4);
    EXPECT_EQ(changed.top(), 115 - 3);
    EXPECT_EQ(changed.bottom(), 240 + lineHeight - 1 + 3);
    EXPECT_GE(changed.right(), ExpectedValueX() + 4);
}

TEST_F(ViewTest, LayoutFollowsTheClientHeightAndTheFont) {
    const QFontMetrics metrics(frame().view()->font());
    const ViewLayout tall = CSonaroView::Layout(313, QSize(150, 232), metrics);
    EXPECT_EQ(tall.picture, QPoint(15, 40));
    EXPECT_EQ(tall.banner, QPoint(190, 20));
    for (int line = 0; line < 6; ++line) {
        EXPECT_EQ(tall.labels[static_cast<std::size_t>(line)], QPoint(190, 115 + 25 * line));
    }
    EXPECT_EQ(tall.valueX, ExpectedValueX());
    // A client area shorter than the picture puts its top above the view, truncated toward 0.
    EXPECT_EQ(CSonaroView::Layout(101, QSize(150, 232), metrics).picture.y(), -65);
    // A wider font moves the value column.
    QFont wide = frame().view()->font();
    wide.setPointSize(wide.pointSize() * 2);
    EXPECT_GT(CSonaroView::Layout(313, QSize(150, 232), QFontMetrics(wide)).valueX,
              tall.valueX + 40);
}

}  // namespace
}  // namespace sonaro
