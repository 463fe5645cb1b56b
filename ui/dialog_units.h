#pragma once

#include <QRect>

class QFont;

namespace sonaro {

// Dialog units: positions in dialog templates are given in quarters of the dialog font's average
// character width across and eighths of its character height down, so that a dialog grows with
// its font.
class DialogUnits {
  public:
    // Base units in pixels: the average character width and the character height.
    DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}
    // The base units of a font: the average width of the 52 letters, rounded, and the height.
    static DialogUnits FromFont(const QFont& font);

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }
    int ToPixelsX(int x) const;
    int ToPixelsY(int y) const;
    QRect ToPixels(int x, int y, int width, int height) const;

  private:
    int baseX_;
    int baseY_;
};

}  // namespace sonaro
