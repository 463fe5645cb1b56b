#pragma once

#include <QDialog>
#include <functional>

#include "document/user_port.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace sonaro {

// The Settings dialog: the conversion volume level (0 to 10) and the two auto-play choices,
// which can be changed only when there is a sound device. exec() answers Accepted after OK,
// which writes the values back; Cancel, Escape and the close box leave them as they were.
class CSettingsDlg final : public QDialog {
  public:
    // Shows help at a context number; the dialog asks for context 2.
    using HelpHook = std::function<void(int context)>;
    static constexpr int kHelpContext = 2;

    CSettingsDlg(QWidget* parent, SettingsValues& values, HelpHook help = {});

    void accept() override;

    // The controls, for the front end's tests.
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* helpButton() const { return help_; }
    QGroupBox* volumeGroup() const { return volumeGroup_; }
    QSlider* volumeSlider() const { return slider_; }
    QLabel* lowLabel() const { return low_; }
    QLabel* highLabel() const { return high_; }
    QGroupBox* autoPlayGroup() const { return autoPlayGroup_; }
    QCheckBox* afterOpenBox() const { return afterOpen_; }
    QCheckBox* afterConversionBox() const { return afterConversion_; }

  private:
    void CreateControls();
    void OnInitDialog();
    void OnHelpButton();

    SettingsValues& values_;
    HelpHook helpHook_;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
    QGroupBox* volumeGroup_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* low_ = nullptr;
    QLabel* high_ = nullptr;
    QGroupBox* autoPlayGroup_ = nullptr;
    QCheckBox* afterOpen_ = nullptr;
    QCheckBox* afterConversion_ = nullptr;
};

}  // namespace sonaro
