#include "ui/sonaro_view.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "document/sonaro_doc.h"
#include "resources/string_table.h"
#include "ui/sonaro_view_accessible.h"
#include "ui/svg_picture.h"

namespace sonaro {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CSonaroView::CSonaroView(const CSonaroDoc& doc, QWidget* parent)
    : QWidget(parent),
      doc_(doc),
      picture_(RenderSvg(QStringLiteral(":/images/device.svg"), Qt::white)),
      banner_(RenderSvg(QStringLiteral(":/images/banner.svg"), Qt::white)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    InstallViewAccessibility();
    for (const ViewItem& item : AccessibleItems()) {
        announced_.append(item.name);
    }
}

bool CSonaroView::OnUpdate() {
    SetCaption();
    update();
    QStringList names;
    for (const ViewItem& item : AccessibleItems()) {
        names.append(item.name);
    }
    if (names == announced_) {
        return false;
    }
    AnnounceChanges(names);
    return true;
}

// Each item whose name changed, then the summary that a screen reader speaks for the view.
void CSonaroView::AnnounceChanges(const QStringList& names) {
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i < announced_.size() && announced_[i] == names[i]) {
            continue;
        }
        QAccessibleEvent event(this, QAccessible::NameChanged);
        event.setChild(static_cast<int>(i));
        QAccessible::updateAccessibility(&event);
    }
    announced_ = names;
    QAccessibleEvent summary(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&summary);
}

std::array<std::string, kInfoLines> CSonaroView::Values() const {
    if (doc_.sourcePath().empty()) {
        return {};
    }
    return InfoValues(doc_.record());
}

QStringList CSonaroView::InfoLines() const {
    const auto labels = InfoLabels();
    const auto values = Values();
    QStringList lines;
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        lines.append(FromUtf8(values[i].empty() ? labels[i] : labels[i] + ' ' + values[i]));
    }
    return lines;
}

QString CSonaroView::Summary() const {
    if (doc_.sourcePath().empty()) {
        return QStringLiteral("No file is open.");
    }
    return InfoLines().join(QStringLiteral(", "));
}

std::vector<ViewItem> CSonaroView::AccessibleItems() const {
    const ViewLayout layout = Layout(height(), picture_.size(), fontMetrics());
    std::vector<ViewItem> items;
    if (hasPictures()) {
        items.push_back({QAccessible::Graphic, QStringLiteral("Tavrin Palmet handheld"),
                         QRect(layout.picture, picture_.size())});
        items.push_back({QAccessible::Graphic,
                         QStringLiteral("Sonaro, audio WAV file converter for the Tavrin "
                                        "Palmet handheld"),
                         QRect(layout.banner, banner_.size())});
    }
    const QStringList lines = InfoLines();
    const auto rects = LineRects(layout);
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        items.push_back({QAccessible::StaticText, lines[static_cast<qsizetype>(i)], rects[i]});
    }
    return items;
}

std::array<QRect, kInfoLines> CSonaroView::LineRects(const ViewLayout& layout) const {
    const QFontMetrics metrics = fontMetrics();
    const auto labels = InfoLabels();
    const auto values = Values();
    std::array<QRect, kInfoLines> rects;
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        const QPoint topLeft = layout.labels[i];
        const int right = values[i].empty()
                              ? topLeft.x() + metrics.horizontalAdvance(FromUtf8(labels[i]))
                              : layout.valueX + metrics.horizontalAdvance(FromUtf8(values[i]));
        rects[i] = QRect(topLeft.x(), topLeft.y(), right - topLeft.x(), metrics.height());
    }
    return rects;
}

// A few pixels around the lines, as wide as the widest value would need at least.
QRect CSonaroView::FocusRect(const ViewLayout& layout) const {
    QRect around;
    for (const QRect& line : LineRects(layout)) {
        around |= line;
    }
    around.setRight(std::max(around.right(), layout.valueX));
    return around.adjusted(-4, -3, 4, 3);
}

QString CSonaroView::Caption(const CSonaroDoc& doc) {
    QString caption = QString::fromUtf8(LoadString(AFX_IDS_APP_TITLE));
    if (!doc.sourcePath().empty()) {
        caption += QStringLiteral(" - ") + FromUtf8(doc.fileName());
        if (doc.resultUnsaved()) {
            caption += QStringLiteral(" *");
        }
    }
    return caption;
}

ViewLayout CSonaroView::Layout(int clientHeight, QSize pictureSize, const QFontMetrics& metrics) {
    ViewLayout layout;
    // Truncating division: a client area shorter than the picture puts its top above the view.
    layout.picture = QPoint(15, (clientHeight - pictureSize.height()) / 2);
    layout.banner = QPoint(190, 20);
    int widest = 0;
    const auto labels = InfoLabels();
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        layout.labels[i] = QPoint(kLabelX, kFirstLabelY + kLineStep * static_cast<int>(i));
        widest = std::max(widest, metrics.horizontalAdvance(FromUtf8(labels[i])));
    }
    layout.valueX = kLabelX + widest + kValueGap;
    return layout;
}

void CSonaroView::SetCaption() {
    if (QWidget* frame = window(); frame != this) {
        frame->setWindowTitle(Caption(doc_));
    }
}

// The focus is shown around the lines once the keyboard moved it, as the style shows it on
// controls; the text is drawn over it.
void CSonaroView::DrawFocus(QPainter& painter, const ViewLayout& layout) const {
    if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        return;
    }
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = FocusRect(layout);
    option.backgroundColor = palette().color(QPalette::Active, QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void CSonaroView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // Erased to the window colour; a main window disabled during a conversion looks the same.
    painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Base));
    const QFontMetrics metrics = painter.fontMetrics();
    const ViewLayout layout = Layout(height(), picture_.size(), metrics);
    if (hasPictures()) {
        painter.drawPixmap(layout.picture, picture_);
        painter.drawPixmap(layout.banner, banner_);
    }
    DrawFocus(painter, layout);
    // Text is placed by its top-left corner.
    const auto drawText = [&](QPoint topLeft, const std::string& text) {
        painter.drawText(topLeft + QPoint(0, metrics.ascent()), FromUtf8(text));
    };
    painter.setPen(palette().color(QPalette::Active, QPalette::Text));
    const auto labels = InfoLabels();
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        drawText(layout.labels[i], labels[i]);
    }
    SetCaption();
    if (doc_.sourcePath().empty()) {
        return;
    }
    painter.setPen(QColor(kValueColour));
    const auto values = Values();
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        drawText(QPoint(layout.valueX, layout.labels[i].y()), values[i]);
    }
}

}  // namespace sonaro
