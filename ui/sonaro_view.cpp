#include "ui/sonaro_view.h"

#include <QFontMetrics>
#include <QPainter>

#include "document/sonaro_doc.h"
#include "resources/string_table.h"
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
}

void CSonaroView::OnUpdate() {
    SetCaption();
    update();
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
    const auto values = InfoValues(doc_.record());
    for (std::size_t i = 0; i < kInfoLines; ++i) {
        drawText(QPoint(layout.valueX, layout.labels[i].y()), values[i]);
    }
}

}  // namespace sonaro
