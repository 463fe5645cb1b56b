#include "ui/dialog_units.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

namespace sonaro {
namespace {

// value * numerator / denominator, rounded half away from zero, as a 64-bit product.
int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    const long long rounded =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(rounded);
}

}  // namespace

DialogUnits DialogUnits::FromFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int total = metrics.horizontalAdvance(letters);
    return DialogUnits((total / 26 + 1) / 2, metrics.height());
}

int DialogUnits::ToPixelsX(int x) const {
    return MulDiv(x, baseX_, 4);
}

int DialogUnits::ToPixelsY(int y) const {
    return MulDiv(y, baseY_, 8);
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    // Each of the four numbers is converted on its own, as dialog templates are.
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

}  // namespace sonaro
