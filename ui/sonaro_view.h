#pragma once

#include <QAccessible>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <vector>

#include "convert/operations/info_text.h"

class QFontMetrics;
class QPainter;

namespace sonaro {

class CSonaroDoc;

// Where the information view puts its pictures and texts for a client area of a given height.
struct ViewLayout {
    QPoint picture;                         // top-left corner of the handheld picture
    QPoint banner;                          // top-left corner of the banner
    std::array<QPoint, kInfoLines> labels;  // top-left corner of each label
    int valueX = 0;                         // left edge of the value column
};

// One thing the view shows, as assistive technology is told of it.
struct ViewItem {
    QAccessible::Role role = QAccessible::StaticText;
    QString name;
    QRect rect;  // in the view's coordinates
};

// The main window's only view: the handheld picture, the banner and the six-line table of the
// document's current sound. It also writes the main window's caption. Everything it draws is read
// from the document at each paint; it only remembers which lines assistive technology was last
// told, so that it can announce the ones that change. The keyboard reaches it (Tab), and a
// screen reader reads its lines (see sonaro_view_accessible.h).
class CSonaroView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kLabelX = 190;
    static constexpr int kFirstLabelY = 115;
    static constexpr int kLineStep = 25;
    static constexpr int kValueGap = 20;
    static constexpr QRgb kValueColour = 0x009C31;  // the green of the banner's subtitle

    CSonaroView(const CSonaroDoc& doc, QWidget* parent = nullptr);

    // The document changed: the caption is written anew, the view repainted, and the lines that
    // changed are announced to assistive technology. True when any line changed.
    bool OnUpdate();

    // The six lines as read out: each label, a blank and its value ("Format: PCM"); the labels
    // alone while no file is open.
    QStringList InfoLines() const;
    // The lines in one sentence, or that no file is open.
    QString Summary() const;
    // What the view shows in reading order: the two pictures (when there are), then the lines.
    std::vector<ViewItem> AccessibleItems() const;

    // The main window's caption for the document's state.
    static QString Caption(const CSonaroDoc& doc);
    // The layout for a client area of that height, with the labels measured in that font.
    static ViewLayout Layout(int clientHeight, QSize pictureSize, const QFontMetrics& metrics);

    bool hasPictures() const { return !picture_.isNull() && !banner_.isNull(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void SetCaption();
    void AnnounceChanges(const QStringList& names);
    // The values of the six lines; empty while no file is open.
    std::array<std::string, kInfoLines> Values() const;
    // Where the six lines stand, label and value together, and the rectangle around them all.
    std::array<QRect, kInfoLines> LineRects(const ViewLayout& layout) const;
    QRect FocusRect(const ViewLayout& layout) const;
    void DrawFocus(QPainter& painter, const ViewLayout& layout) const;

    const CSonaroDoc& doc_;
    QPixmap picture_;
    QPixmap banner_;
    QStringList announced_;  // the lines as assistive technology last heard them
};

}  // namespace sonaro
