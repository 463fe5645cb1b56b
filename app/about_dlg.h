#pragma once

#include <QDialog>
#include <QImage>

class QLabel;
class QPushButton;

namespace sonaro {

// The About box: the program's name, its target device, its version and a three-line notice
// beside a picture of a piano keyboard drawn in the palette's button greys.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kPictureWidth = 87;
    static constexpr int kPictureHeight = 58;
    // The reference greys of the picture, replaced by the palette's face, shadow and light colours.
    static constexpr QRgb kFaceGrey = 0xC0C0C0;
    static constexpr QRgb kShadowGrey = 0x808080;
    static constexpr QRgb kLightGrey = 0xDFDFDF;

    explicit CAboutDlg(QWidget* parent = nullptr);

    // The keyboard in its reference greys.
    static QImage ReferencePicture();
    // The picture with its reference greys replaced by the palette's colours.
    static QImage MapThreeDColours(const QImage& reference, const QPalette& palette);

    const QImage& picture() const { return picture_; }
    QLabel* pictureLabel() const { return pictureCtrl_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void LoadPicture();

    QLabel* pictureCtrl_ = nullptr;
    QImage picture_;
};

}  // namespace sonaro
