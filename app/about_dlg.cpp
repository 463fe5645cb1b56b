#include "app/about_dlg.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "ui/dialog_units.h"

namespace sonaro {
namespace {

struct StaticText {
    const char* text;
    int x, y, width, height;  // dialog units
};

constexpr StaticText kTexts[] = {
    {"Sonaro", 65, 7, 101, 8},
    {"for Tavrin Palmet", 65, 17, 101, 8},
    {"Version 1.14", 65, 27, 101, 8},
    {"(C) Tavrin Palmet Applications", 65, 42, 130, 8},
    {"Provided as is, without", 65, 52, 130, 8},
    {"warranty of any kind.", 65, 62, 130, 8},
};

constexpr int kDialogWidth = 209;
constexpr int kDialogHeight = 77;

// The white keys' tops: one octave and a half, C to F, each 7 pixels wide with its left line.
constexpr int kKeyboardLeft = 4;
constexpr int kKeyboardTop = 6;
constexpr int kWhiteKeys = 11;
constexpr int kWhiteKeyWidth = 7;
constexpr int kWhiteKeyHeight = 44;
constexpr int kBlackKeyHeight = 26;

// Whether a black key sits between white key i and the next one (C#, D#, F#, G#, A#).
bool HasBlackKeyAfter(int whiteKey) {
    const int inOctave = whiteKey % 7;
    return inOctave != 2 && inOctave != 6;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Sonaro"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const DialogUnits units = DialogUnits::FromFont(font());
    setFixedSize(units.ToPixelsX(kDialogWidth), units.ToPixelsY(kDialogHeight));

    // The picture comes first, left of the texts, at its own size.
    pictureCtrl_ = new QLabel(this);
    pictureCtrl_->setObjectName(QStringLiteral("picture"));
    pictureCtrl_->setAccessibleName(QStringLiteral("Piano keyboard"));
    pictureCtrl_->setGeometry(8, 40, kPictureWidth, kPictureHeight);
    LoadPicture();

    int id = 1010;
    for (const StaticText& text : kTexts) {
        auto* label = new QLabel(QString::fromUtf8(text.text), this);
        label->setObjectName(QStringLiteral("static%1").arg(id++));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(units.ToPixels(text.x, text.y, text.width, text.height));
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    ok->setGeometry(units.ToPixels(166, 7, 32, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}

QImage CAboutDlg::ReferencePicture() {
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    image.fill(kFaceGrey);
    QPainter painter(&image);
    const int right = kKeyboardLeft + kWhiteKeys * kWhiteKeyWidth;
    const int bottom = kKeyboardTop + kWhiteKeyHeight;
    // A raised case around the keys: light on the top and left, shadow on the bottom and right.
    painter.setPen(QColor(kLightGrey));
    painter.drawLine(kKeyboardLeft - 3, kKeyboardTop - 3, right + 2, kKeyboardTop - 3);
    painter.drawLine(kKeyboardLeft - 3, kKeyboardTop - 3, kKeyboardLeft - 3, bottom + 2);
    painter.setPen(QColor(kShadowGrey));
    painter.drawLine(kKeyboardLeft - 3, bottom + 3, right + 3, bottom + 3);
    painter.drawLine(right + 3, kKeyboardTop - 3, right + 3, bottom + 3);
    // The white keys, outlined in black, with a shadow along their lower end.
    painter.fillRect(kKeyboardLeft, kKeyboardTop, right - kKeyboardLeft, kWhiteKeyHeight,
                     Qt::white);
    painter.setPen(Qt::black);
    painter.drawRect(kKeyboardLeft, kKeyboardTop, right - kKeyboardLeft, kWhiteKeyHeight);
    for (int key = 1; key < kWhiteKeys; ++key) {
        const int x = kKeyboardLeft + key * kWhiteKeyWidth;
        painter.drawLine(x, kKeyboardTop, x, bottom);
    }
    painter.setPen(QColor(kShadowGrey));
    painter.drawLine(kKeyboardLeft + 1, bottom - 1, right - 1, bottom - 1);
    // The black keys, with a light edge where the light falls on them.
    for (int key = 0; key + 1 < kWhiteKeys; ++key) {
        if (!HasBlackKeyAfter(key)) {
            continue;
        }
        const int x = kKeyboardLeft + (key + 1) * kWhiteKeyWidth - 2;
        painter.fillRect(x, kKeyboardTop, 5, kBlackKeyHeight, Qt::black);
        painter.setPen(QColor(kShadowGrey));
        painter.drawLine(x + 1, kKeyboardTop + 1, x + 1, kKeyboardTop + kBlackKeyHeight - 3);
    }
    return image;
}

QImage CAboutDlg::MapThreeDColours(const QImage& reference, const QPalette& palette) {
    QImage image = reference.convertToFormat(QImage::Format_RGB32);
    const QRgb face = palette.color(QPalette::Button).rgb();
    const QRgb shadow = palette.color(QPalette::Dark).rgb();
    const QRgb light = palette.color(QPalette::Midlight).rgb();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            switch (line[x] & 0xFFFFFF) {
                case kFaceGrey:
                    line[x] = face;
                    break;
                case kShadowGrey:
                    line[x] = shadow;
                    break;
                case kLightGrey:
                    line[x] = light;
                    break;
                default:
                    break;
            }
        }
    }
    return image;
}

void CAboutDlg::LoadPicture() {
    picture_ = MapThreeDColours(ReferencePicture(), palette());
    pictureCtrl_->setPixmap(QPixmap::fromImage(picture_));
}

// A new palette (the user changed the colour scheme) recolours the picture's greys.
void CAboutDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && pictureCtrl_ != nullptr) {
        LoadPicture();
    }
}

}  // namespace sonaro
