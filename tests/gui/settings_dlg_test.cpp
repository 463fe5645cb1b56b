// The settings dialog through its real widgets: its controls where the template puts them, the
// tab order and mnemonics, the enabling by sound device, OK and the three ways to cancel, Help,
// and the document's Settings command running it.
#include "ui/settings_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <vector>

#include "convert/codecs/no_codec_manager.h"
#include "document/sonaro_doc.h"
#include "tests/gui/keyboard_focus.h"
#include "tests/support/fake_sound.h"
#include "tests/support/fake_user.h"
#include "ui/dialog_units.h"

namespace sonaro {

// Found by argument lookup in the values' own namespace.
static bool operator==(const SettingsValues& a, const SettingsValues& b) {
    return a.soundDeviceCount == b.soundDeviceCount && a.volumeLevel == b.volumeLevel &&
           a.autoPlayAfterOpen == b.autoPlayAfterOpen &&
           a.autoPlayAfterConvert == b.autoPlayAfterConvert;
}

static void PrintTo(const SettingsValues& v, std::ostream* out) {
    *out << "{devices " << v.soundDeviceCount << ", level " << v.volumeLevel << ", open "
         << v.autoPlayAfterOpen << ", convert " << v.autoPlayAfterConvert << "}";
}

namespace {

// Runs the dialog modally; act is called once it is up and must end it. A dialog still open
// after a generous while is rejected so that a broken test fails instead of hanging.
int RunDialog(CSettingsDlg& dialog, const std::function<void()>& act) {
    QTimer::singleShot(0, &dialog, act);
    bool leftOpen = false;
    QTimer::singleShot(10000, &dialog, [&] {
        leftOpen = true;
        dialog.reject();
    });
    const int result = dialog.exec();
    EXPECT_FALSE(leftOpen) << "the dialog was not closed";
    return result;
}

// The controls' rectangles in the dialog's client coordinates.
QRect InDialog(const QWidget* control, const QWidget* dialog) {
    return QRect(control->mapTo(dialog, QPoint(0, 0)), control->size());
}

TEST(SettingsDialog, ControlsTextsAndPositions) {
    SettingsValues values{1, 10, false, false};
    CSettingsDlg dialog(nullptr, values);
    const DialogUnits units = DialogUnits::FromFont(dialog.font());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(dialog.size(), QSize(units.ToPixelsX(165), units.ToPixelsY(110)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());  // not resizable
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);

    const struct {
        const QWidget* control;
        QString text;
        QRect position;  // dialog units
    } rows[] = {
        {dialog.okButton(), "OK", {108, 7, 50, 14}},
        {dialog.cancelButton(), "Cancel", {108, 25, 50, 14}},
        {dialog.helpButton(), "Help", {108, 43, 50, 14}},
        {dialog.volumeGroup(), "Conversion &Volume Level", {7, 7, 95, 48}},
        {dialog.volumeSlider(), "", {17, 24, 75, 10}},
        {dialog.lowLabel(), "Low", {20, 40, 31, 8}},
        {dialog.highLabel(), "High", {54, 40, 35, 8}},
        {dialog.autoPlayGroup(), "Auto-play WAV", {7, 64, 95, 39}},
        {dialog.afterOpenBox(), "After op&en", {13, 75, 79, 10}},
        {dialog.afterConversionBox(), "After co&nversion", {13, 87, 84, 10}},
    };
    for (const auto& row : rows) {
        const QRect& p = row.position;
        EXPECT_EQ(InDialog(row.control, &dialog),
                  units.ToPixels(p.x(), p.y(), p.width(), p.height()))
            << row.text.toStdString();
        QString text;
        if (const auto* button = qobject_cast<const QAbstractButton*>(row.control)) {
            text = button->text();
        } else if (const auto* group = qobject_cast<const QGroupBox*>(row.control)) {
            text = group->title();
        } else if (const auto* label = qobject_cast<const QLabel*>(row.control)) {
            text = label->text();
        }
        EXPECT_EQ(text, row.text);
    }
    EXPECT_TRUE(dialog.okButton()->isDefault());
    EXPECT_EQ(dialog.lowLabel()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(dialog.highLabel()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    const QSlider* slider = dialog.volumeSlider();
    EXPECT_EQ(slider->orientation(), Qt::Horizontal);
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 10);
    EXPECT_EQ(slider->tickInterval(), 1);
    EXPECT_NE(slider->tickPosition(), QSlider::NoTicks);
}

// The dialog shows the values it is given; the boxes can be changed only with a sound device.
TEST(SettingsDialog, StartsFromTheValuesAndBoxesNeedASoundDevice) {
    for (const unsigned devices : {0U, 1U, 3U}) {
        for (const bool open : {true, false}) {
            SettingsValues values{devices, open ? 4 : 0, open, !open};
            CSettingsDlg dialog(nullptr, values);
            EXPECT_EQ(dialog.volumeSlider()->value(), open ? 4 : 0);
            EXPECT_EQ(dialog.afterOpenBox()->isChecked(), open);
            EXPECT_EQ(dialog.afterConversionBox()->isChecked(), !open);
            EXPECT_EQ(dialog.afterOpenBox()->isEnabled(), devices != 0) << devices;
            EXPECT_EQ(dialog.afterConversionBox()->isEnabled(), devices != 0) << devices;
            EXPECT_TRUE(dialog.volumeSlider()->isEnabled());
        }
    }
}

// Tab from the first tab stop walks OK, Cancel, Help, the slider and the enabled boxes.
TEST(SettingsDialog, TabOrder) {
    for (const unsigned devices : {1U, 0U}) {
        SettingsValues values{devices, 10, false, false};
        CSettingsDlg dialog(nullptr, values);
        if (!test::ShowWithKeyboard(&dialog)) {
            GTEST_SKIP() << test::kNoKeyboard;
        }
        std::vector<QWidget*> visited{QApplication::focusWidget()};
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget());
        }
        std::vector<QWidget*> expected{dialog.okButton(), dialog.cancelButton(),
                                       dialog.helpButton(), dialog.volumeSlider()};
        if (devices != 0) {
            expected.push_back(dialog.afterOpenBox());
            expected.push_back(dialog.afterConversionBox());
        }
        while (expected.size() < visited.size()) {
            expected.push_back(expected[expected.size() % (devices != 0 ? 6 : 4)]);
        }
        EXPECT_EQ(visited, expected) << devices;
    }
}

// A button's mnemonic presses it as a click that is animated: it lands a moment later.
TEST(SettingsDialog, Mnemonics) {
    SettingsValues values{1, 10, false, false};
    CSettingsDlg dialog(nullptr, values);
    if (!test::ShowWithKeyboard(&dialog)) {
        GTEST_SKIP() << test::kNoKeyboard;
    }
    QTest::keyClick(&dialog, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.volumeSlider());
    QCheckBox* open = dialog.afterOpenBox();
    QCheckBox* conversion = dialog.afterConversionBox();
    QTest::keyClick(&dialog, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return open->isChecked(); }));
    EXPECT_EQ(QApplication::focusWidget(), open);
    QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return conversion->isChecked(); }));
    QTest::keyClick(&dialog, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !open->isChecked(); }));
}

TEST(SettingsDialog, OkWritesTheValuesBack) {
    SettingsValues values{1, 10, false, true};
    CSettingsDlg dialog(nullptr, values);
    const int result = RunDialog(dialog, [&] {
        dialog.volumeSlider()->setFocus();
        QTest::keyClick(dialog.volumeSlider(), Qt::Key_Home);  // level 0
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(dialog.volumeSlider(), Qt::Key_Right);
        }
        QTest::mouseClick(dialog.afterOpenBox(), Qt::LeftButton);
        QTest::mouseClick(dialog.afterConversionBox(), Qt::LeftButton);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(values, (SettingsValues{1, 3, true, false}));
}

TEST(SettingsDialog, EnterPressesOk) {
    SettingsValues values{1, 10, false, false};
    CSettingsDlg dialog(nullptr, values);
    const int result = RunDialog(dialog, [&] {
        dialog.volumeSlider()->setFocus();
        QTest::keyClick(dialog.volumeSlider(), Qt::Key_Left);
        QTest::keyClick(dialog.volumeSlider(), Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(values.volumeLevel, 9);
}

// Disabled boxes are still read: their states pass through OK unchanged.
TEST(SettingsDialog, OkWithoutDeviceKeepsTheBoxStates) {
    for (const bool state : {true, false}) {
        SettingsValues values{0, 7, state, !state};
        CSettingsDlg dialog(nullptr, values);
        const int result = RunDialog(dialog, [&] {
            QTest::mouseClick(dialog.afterOpenBox(), Qt::LeftButton);  // disabled: no effect
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        });
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(values, (SettingsValues{0, 7, state, !state}));
    }
}

TEST(SettingsDialog, CancelButtonEscapeAndCloseChangeNothing) {
    const std::vector<std::pair<const char*, std::function<void(CSettingsDlg&)>>> ways = {
        {"button", [](CSettingsDlg& d) { QTest::mouseClick(d.cancelButton(), Qt::LeftButton); }},
        {"escape", [](CSettingsDlg& d) { QTest::keyClick(d.volumeSlider(), Qt::Key_Escape); }},
        {"close", [](CSettingsDlg& d) { d.close(); }},
    };
    for (const auto& [name, cancel] : ways) {
        const SettingsValues before{1, 6, true, false};
        SettingsValues values = before;
        CSettingsDlg dialog(nullptr, values);
        const int result = RunDialog(dialog, [&] {
            dialog.volumeSlider()->setValue(2);
            dialog.afterOpenBox()->setChecked(false);
            dialog.afterConversionBox()->setChecked(true);
            dialog.volumeSlider()->setFocus();
            cancel(dialog);
        });
        EXPECT_EQ(result, QDialog::Rejected) << name;
        EXPECT_EQ(values, before) << name;
    }
}

TEST(SettingsDialog, HelpAsksForContextTwoAndStaysOpen) {
    SettingsValues values{1, 5, false, false};
    std::vector<int> contexts;
    CSettingsDlg dialog(nullptr, values, [&](int context) { contexts.push_back(context); });
    bool openAfterHelp = false;
    const int result = RunDialog(dialog, [&] {
        QTest::mouseClick(dialog.helpButton(), Qt::LeftButton);
        openAfterHelp = dialog.isVisible();
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    });
    EXPECT_EQ(contexts, std::vector<int>{2});
    EXPECT_TRUE(openAfterHelp);
    EXPECT_EQ(result, QDialog::Rejected);
}

// The document's Settings command with the real dialog in the user's place.
class DocSettingsTest : public ::testing::Test {
  protected:
    void AnswerWith(std::function<void(CSettingsDlg&)> act) {
        user.settings = [act](SettingsValues& values) {
            CSettingsDlg dialog(nullptr, values);
            return RunDialog(dialog, [&] { act(dialog); }) == QDialog::Accepted;
        };
    }

    test::FakeUser user;
    test::FakeSound sound{0};
    NoCodecManager codecs;
    CSonaroDoc doc{user, sound, codecs};
};

TEST_F(DocSettingsTest, OkStoresTheLevelAndCancelDoesNot) {
    AnswerWith([](CSettingsDlg& d) {
        d.volumeSlider()->setValue(4);
        QTest::mouseClick(d.okButton(), Qt::LeftButton);
    });
    doc.OnSettings();
    EXPECT_EQ(doc.volumeLevel(), 4);
    AnswerWith([](CSettingsDlg& d) {
        EXPECT_EQ(d.volumeSlider()->value(), 4);  // the dialog starts from the document
        d.volumeSlider()->setValue(8);
        QTest::mouseClick(d.cancelButton(), Qt::LeftButton);
    });
    doc.OnSettings();
    EXPECT_EQ(doc.volumeLevel(), 4);
    EXPECT_FALSE(doc.autoPlayAfterOpen());
    EXPECT_FALSE(doc.autoPlayAfterConvert());
}

}  // namespace
}  // namespace sonaro
