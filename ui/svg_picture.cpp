#include "ui/svg_picture.h"

#include <QPainter>
#include <QSvgRenderer>

namespace sonaro {

QPixmap RenderSvg(const QString& resource, QColor ground, QSize size) {
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) {
        return {};
    }
    QPixmap pixmap(size.isEmpty() ? renderer.defaultSize() : size);
    pixmap.fill(ground);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

}  // namespace sonaro
