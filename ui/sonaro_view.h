#pragma once

#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <array>

#include "convert/operations/info_text.h"

class QFontMetrics;

namespace sonaro {

class CSonaroDoc;

// Where the information view puts its pictures and texts for a client area of a given height.
struct ViewLayout {
    QPoint picture;                         // top-left corner of the handheld picture
    QPoint banner;                          // top-left corner of the banner
    std::array<QPoint, kInfoLines> labels;  // top-left corner of each label
    int valueX = 0;                         // left edge of the value column
};

// The main window's only view: the handheld picture, the banner and the six-line table of the
// document's current sound. It also writes the main window's caption. It keeps no state of its
// own: everything is read from the document at each paint.
class CSonaroView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kLabelX = 190;
    static constexpr int kFirstLabelY = 115;
    static constexpr int kLineStep = 25;
    static constexpr int kValueGap = 20;
    static constexpr QRgb kValueColour = 0x009C31;  // the green of the banner's subtitle

    CSonaroView(const CSonaroDoc& doc, QWidget* parent = nullptr);

    // The document changed: the caption is written anew and the view repainted.
    void OnUpdate();

    // The main window's caption for the document's state.
    static QString Caption(const CSonaroDoc& doc);
    // The layout for a client area of that height, with the labels measured in that font.
    static ViewLayout Layout(int clientHeight, QSize pictureSize, const QFontMetrics& metrics);

    bool hasPictures() const { return !picture_.isNull() && !banner_.isNull(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void SetCaption();

    const CSonaroDoc& doc_;
    QPixmap picture_;
    QPixmap banner_;
};

}  // namespace sonaro
