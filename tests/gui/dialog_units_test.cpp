// Dialog units to pixels: the rounding of each number, and the base units measured from a font.
#include "ui/dialog_units.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>

namespace sonaro {
namespace {

// With base units 6 by 13 (an 8-point dialog font on a 96 dpi screen) the settings dialog's
// numbers come out as the classic pixel sizes; x.5 rounds away from zero.
TEST(DialogUnits, EachNumberIsScaledAndRounded) {
    const DialogUnits units(6, 13);
    EXPECT_EQ(units.ToPixelsX(165), 248);  // 247.5
    EXPECT_EQ(units.ToPixelsY(110), 179);  // 178.75
    EXPECT_EQ(units.ToPixels(108, 7, 50, 14), QRect(162, 11, 75, 23));
    EXPECT_EQ(units.ToPixels(108, 25, 50, 14), QRect(162, 41, 75, 23));
    EXPECT_EQ(units.ToPixels(108, 43, 50, 14), QRect(162, 70, 75, 23));
    EXPECT_EQ(units.ToPixels(17, 24, 75, 10), QRect(26, 39, 113, 16));  // 25.5, 112.5, 16.25
    EXPECT_EQ(units.ToPixelsX(-3), -5);                                 // -4.5
    EXPECT_EQ(units.ToPixelsY(0), 0);
}

// The base width is the rounded average width of the 52 letters; the height is the font's.
TEST(DialogUnits, BaseUnitsFollowTheFont) {
    QFont small = QApplication::font();
    small.setPixelSize(10);
    QFont large = small;
    large.setPixelSize(30);
    const DialogUnits a = DialogUnits::FromFont(small);
    const DialogUnits b = DialogUnits::FromFont(large);
    EXPECT_EQ(a.baseY(), QFontMetrics(small).height());
    EXPECT_EQ(b.baseY(), QFontMetrics(large).height());
    int letters = 0;
    for (const char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) {
        letters += QFontMetrics(large).horizontalAdvance(QChar(c));
    }
    EXPECT_NEAR(b.baseX(), letters / 52.0, 1.0);
    EXPECT_GT(b.baseX(), 2 * a.baseX());
}

}  // namespace
}  // namespace sonaro
