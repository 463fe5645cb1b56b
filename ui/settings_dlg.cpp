#include "ui/settings_dlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "ui/dialog_units.h"

namespace sonaro {
namespace {

// Places a control at a template position (dialog units, relative to the dialog) inside its
// parent, which may be a group box placed in the same way.
void Place(QWidget* control, const DialogUnits& units, int x, int y, int width, int height) {
    QRect rect = units.ToPixels(x, y, width, height);
    QWidget* parent = control->parentWidget();
    if (!parent->isWindow()) {
        rect.translate(-parent->pos());
    }
    control->setGeometry(rect);
}

}  // namespace

CSettingsDlg::CSettingsDlg(QWidget* parent, SettingsValues& values, HelpHook help)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      values_(values),
      helpHook_(std::move(help)) {
    setWindowTitle(QStringLiteral("Settings"));
    CreateControls();
    OnInitDialog();
}

// The controls in tab order, at their template positions.
void CSettingsDlg::CreateControls() {
    const DialogUnits units = DialogUnits::FromFont(font());
    setFixedSize(units.ToPixelsX(165), units.ToPixelsY(110));

    // The three push buttons stand in a column at the right.
    const auto pushButton = [&](const QString& text, int y) {
        auto* button = new QPushButton(text, this);
        Place(button, units, 108, y, 50, 14);
        return button;
    };
    ok_ = pushButton(QStringLiteral("OK"), 7);
    ok_->setDefault(true);
    cancel_ = pushButton(QStringLiteral("Cancel"), 25);
    help_ = pushButton(QStringLiteral("Help"), 43);
    help_->setAccessibleDescription(QStringLiteral("Show the help page of these settings"));

    volumeGroup_ = new QGroupBox(QStringLiteral("Conversion &Volume Level"), this);
    Place(volumeGroup_, units, 7, 7, 95, 48);
    slider_ = new QSlider(Qt::Horizontal, volumeGroup_);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setAccessibleName(QStringLiteral("Conversion Volume Level"));
    slider_->setAccessibleDescription(QStringLiteral("From 0 (Low) to 10 (High)"));
    Place(slider_, units, 17, 24, 75, 10);
    // "Low" under the slider's left end (level 0), "High" under its right end (level 10).
    const auto label = [&](const QString& text, Qt::Alignment alignment, int x, int width) {
        auto* static_ = new QLabel(text, volumeGroup_);
        static_->setAlignment(alignment | Qt::AlignTop);
        Place(static_, units, x, 40, width, 8);
        return static_;
    };
    low_ = label(QStringLiteral("Low"), Qt::AlignLeft, 20, 31);
    high_ = label(QStringLiteral("High"), Qt::AlignRight, 54, 35);

    autoPlayGroup_ = new QGroupBox(QStringLiteral("Auto-play WAV"), this);
    Place(autoPlayGroup_, units, 7, 64, 95, 39);
    afterOpen_ = new QCheckBox(QStringLiteral("After op&en"), autoPlayGroup_);
    Place(afterOpen_, units, 13, 75, 79, 10);
    afterConversion_ = new QCheckBox(QStringLiteral("After co&nversion"), autoPlayGroup_);
    Place(afterConversion_, units, 13, 87, 84, 10);

    setTabOrder(ok_, cancel_);
    setTabOrder(cancel_, help_);
    setTabOrder(help_, slider_);
    setTabOrder(slider_, afterOpen_);
    setTabOrder(afterOpen_, afterConversion_);

    connect(ok_, &QPushButton::clicked, this, &CSettingsDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CSettingsDlg::reject);
    connect(help_, &QPushButton::clicked, this, [this] { OnHelpButton(); });
}

void CSettingsDlg::OnInitDialog() {
    slider_->setRange(0, 10);
    slider_->setValue(values_.volumeLevel);
    slider_->setTickInterval(1);
    slider_->setSingleStep(1);
    slider_->setPageStep(2);
    const bool sound = values_.soundDeviceCount != 0;
    // A screen reader says why a box cannot be changed.
    const QString unavailable = sound ? QString() : QStringLiteral(" (no sound output device)");
    afterOpen_->setEnabled(sound);
    afterOpen_->setChecked(values_.autoPlayAfterOpen);
    afterOpen_->setAccessibleDescription(QStringLiteral("Play a file once it is opened") +
                                         unavailable);
    afterConversion_->setEnabled(sound);
    afterConversion_->setChecked(values_.autoPlayAfterConvert);
    afterConversion_->setAccessibleDescription(
        QStringLiteral("Play the result once a file is converted") + unavailable);
    ok_->setFocus(Qt::OtherFocusReason);  // the first tab stop
}

// The boxes are read even when disabled: without a sound device their states pass through.
void CSettingsDlg::accept() {
    values_.volumeLevel = slider_->value();
    values_.autoPlayAfterOpen = afterOpen_->isChecked();
    values_.autoPlayAfterConvert = afterConversion_->isChecked();
    QDialog::accept();
}

void CSettingsDlg::OnHelpButton() {
    if (helpHook_) {
        helpHook_(kHelpContext);
    }
}

}  // namespace sonaro
