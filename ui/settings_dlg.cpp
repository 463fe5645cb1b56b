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

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    Place(ok_, units, 108, 7, 50, 14);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    Place(cancel_, units, 108, 25, 50, 14);
    help_ = new QPushButton(QStringLiteral("Help"), this);
    Place(help_, units, 108, 43, 50, 14);

    volumeGroup_ = new QGroupBox(QStringLiteral("Conversion &Volume Level"), this);
    Place(volumeGroup_, units, 7, 7, 95, 48);
    slider_ = new QSlider(Qt::Horizontal, volumeGroup_);
    slider_->setTickPosition(QSlider::TicksBelow);
    Place(slider_, units, 17, 24, 75, 10);
    low_ = new QLabel(QStringLiteral("Low"), volumeGroup_);
    low_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(low_, units, 20, 40, 31, 8);
    high_ = new QLabel(QStringLiteral("High"), volumeGroup_);
    high_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Place(high_, units, 54, 40, 35, 8);

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
    afterOpen_->setEnabled(sound);
    afterOpen_->setChecked(values_.autoPlayAfterOpen);
    afterConversion_->setEnabled(sound);
    afterConversion_->setChecked(values_.autoPlayAfterConvert);
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
