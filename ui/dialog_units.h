#pragma once

#include <QFont>
#include <QRect>

namespace sonaro {

// Dialog layouts are given in dialog units: a quarter of the dialog font's average character width
// across and an eighth of its height down. This turns them into pixels for a font.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }
    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;

  private:
    int baseX_;
    int baseY_;
};

}  // namespace sonaro
