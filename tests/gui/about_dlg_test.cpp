// The About box: its texts and layout, and the picture whose greys follow the palette.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "app/about_dlg.h"
#include "tests/gui/modal_script.h"

namespace sonaro {
namespace {

int CountColour(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return count;
}

QPalette ColouredPalette(QColor face, QColor shadow, QColor light) {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::Dark, shadow);
    palette.setColor(QPalette::Midlight, light);
    return palette;
}

TEST(AboutDlgTest, ShowsItsTextsCaptionAndOkButton) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About Sonaro");
    QStringList texts;
    for (int id = 1010; id <= 1015; ++id) {
        auto* label = about.findChild<QLabel*>(QStringLiteral("static%1").arg(id));
        ASSERT_NE(label, nullptr) << id;
        texts.append(label->text());
        EXPECT_EQ(label->x(), about.findChild<QLabel*>("static1010")->x()) << "one left edge";
    }
    EXPECT_EQ(texts.mid(0, 3), QStringList({"Sonaro", "for Tavrin Palmet", "Version 1.14"}));
    for (const QString& notice : texts.mid(3)) {
        EXPECT_FALSE(notice.isEmpty());
    }
    auto* ok = about.findChild<QPushButton*>("ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_GT(ok->x(), about.findChild<QLabel*>("static1010")->x()) << "OK stands right";
    EXPECT_EQ(about.pictureLabel()->geometry(), QRect(8, 40, 87, 58));
    EXPECT_FALSE(about.isSizeGripEnabled());
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
}

TEST(AboutDlgTest, ReferencePictureUsesTheThreeGreysOnAFaceGround) {
    const QImage reference = CAboutDlg::ReferencePicture();
    EXPECT_EQ(reference.size(), QSize(87, 58));
    EXPECT_EQ(reference.pixel(0, 0) & 0xFFFFFF, CAboutDlg::kFaceGrey) << "the ground";
    EXPECT_GT(CountColour(reference, CAboutDlg::kShadowGrey), 0);
    EXPECT_GT(CountColour(reference, CAboutDlg::kLightGrey), 0);
    EXPECT_GT(CountColour(reference, 0xFFFFFF), 500) << "white keys";
    EXPECT_GT(CountColour(reference, 0x000000), 300) << "black keys and lines";
}

TEST(AboutDlgTest, GreysAreReplacedByThePaletteColours) {
    const QImage reference = CAboutDlg::ReferencePicture();
    const QColor face(10, 200, 30), shadow(90, 0, 90), light(250, 240, 10);
    const QImage mapped =
        CAboutDlg::MapThreeDColours(reference, ColouredPalette(face, shadow, light));
    EXPECT_EQ(CountColour(mapped, face.rgb()), CountColour(reference, CAboutDlg::kFaceGrey));
    EXPECT_EQ(CountColour(mapped, shadow.rgb()), CountColour(reference, CAboutDlg::kShadowGrey));
    EXPECT_EQ(CountColour(mapped, light.rgb()), CountColour(reference, CAboutDlg::kLightGrey));
    EXPECT_EQ(CountColour(mapped, CAboutDlg::kFaceGrey), 0);
    EXPECT_EQ(CountColour(mapped, 0xFFFFFF), CountColour(reference, 0xFFFFFF)) << "white stays";
    EXPECT_EQ(CountColour(mapped, 0x000000), CountColour(reference, 0x000000)) << "black stays";
}

TEST(AboutDlgTest, NewPaletteRecoloursTheShownPicture) {
    CAboutDlg about;
    about.setPalette(ColouredPalette(QColor(200, 0, 0), QColor(0, 0, 120), QColor(0, 220, 0)));
    const QImage first = about.pictureLabel()->pixmap().toImage();
    EXPECT_EQ(first.pixel(0, 0) & 0xFFFFFF, QColor(200, 0, 0).rgb() & 0xFFFFFF);
    about.setPalette(ColouredPalette(QColor(0, 0, 200), QColor(60, 60, 0), QColor(0, 220, 220)));
    const QImage second = about.pictureLabel()->pixmap().toImage();
    EXPECT_EQ(second.pixel(0, 0) & 0xFFFFFF, QColor(0, 0, 200).rgb() & 0xFFFFFF);
    EXPECT_EQ(about.picture(), second.convertToFormat(about.picture().format()));
}

TEST(AboutDlgTest, OkAndEscapeCloseTheBox) {
    for (const bool useEscape : {false, true}) {
        CAboutDlg about;
        test::ModalScript script;
        script.Then([useEscape](QWidget* widget) {
            if (useEscape) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(widget, &escape);
            } else {
                widget->findChild<QPushButton*>("ok")->click();
            }
        });
        const int result = about.exec();
        EXPECT_EQ(result, useEscape ? QDialog::Rejected : QDialog::Accepted);
        EXPECT_FALSE(about.isVisible());
    }
}

}  // namespace
}  // namespace sonaro
