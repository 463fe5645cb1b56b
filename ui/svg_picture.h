#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace sonaro {

// Renders a picture resource drawn as SVG onto a ground colour, at the given size or, with an
// empty size, at its own. A null pixmap when the resource cannot be read.
QPixmap RenderSvg(const QString& resource, QColor ground = Qt::transparent, QSize size = {});

}  // namespace sonaro
