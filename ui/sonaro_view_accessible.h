#pragma once

#include <QAccessibleWidget>
#include <vector>

namespace sonaro {

class CSonaroView;

// The information view as assistive technology sees it: a panel named "File information" whose
// description sums up the open file, with one child for each picture (an image named after what
// it shows) and for each line of the table (a label reading "Format: PCM"), in reading order.
// The view draws all of these itself, so the children are interfaces of their own, made when
// first asked for and removed with the view's interface.
class CSonaroViewAccessible final : public QAccessibleWidget {
  public:
    explicit CSonaroViewAccessible(CSonaroView* view);
    ~CSonaroViewAccessible() override;
    CSonaroViewAccessible(const CSonaroViewAccessible&) = delete;
    CSonaroViewAccessible& operator=(const CSonaroViewAccessible&) = delete;

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

  private:
    CSonaroView* view() const;

    mutable std::vector<QAccessible::Id> children_;  // 0 where not made yet
};

// Makes Qt use CSonaroViewAccessible for every information view; called once is enough.
void InstallViewAccessibility();

}  // namespace sonaro
