#include "ui/sonaro_view_accessible.h"

#include <QPointer>
#include <QWindow>
#include <optional>

#include "ui/sonaro_view.h"

namespace sonaro {
namespace {

// One picture or line of the view. It reads the view anew at each question, so it is never
// out of date; it is valid while the view and its item exist.
class ViewItemAccessible final : public QAccessibleInterface {
  public:
    ViewItemAccessible(CSonaroView* view, int index) : view_(view), index_(index) {}

    bool isValid() const override { return Item().has_value(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return view_ != nullptr ? view_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(view_.data());
    }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        const auto item = Item();
        return item && t == QAccessible::Name ? item->name : QString();
    }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}
    QRect rect() const override {
        const auto item = Item();
        return item ? QRect(view_->mapToGlobal(item->rect.topLeft()), item->rect.size()) : QRect();
    }
    QAccessible::Role role() const override {
        const auto item = Item();
        return item ? item->role : QAccessible::NoRole;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.readOnly = true;
        state.invisible = view_ == nullptr || !view_->isVisible();
        return state;
    }

  private:
    std::optional<ViewItem> Item() const {
        if (view_ == nullptr) {
            return std::nullopt;
        }
        const std::vector<ViewItem> items = view_->AccessibleItems();
        if (index_ < 0 || static_cast<std::size_t>(index_) >= items.size()) {
            return std::nullopt;
        }
        return items[static_cast<std::size_t>(index_)];
    }

    QPointer<CSonaroView> view_;
    int index_;
};

QAccessibleInterface* ViewFactory(const QString& /*className*/, QObject* object) {
    auto* view = qobject_cast<CSonaroView*>(object);
    return view != nullptr ? new CSonaroViewAccessible(view) : nullptr;
}

}  // namespace

CSonaroViewAccessible::CSonaroViewAccessible(CSonaroView* view)
    : QAccessibleWidget(view, QAccessible::Pane) {}

CSonaroViewAccessible::~CSonaroViewAccessible() {
    for (const QAccessible::Id id : children_) {
        if (id != 0) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }
}

CSonaroView* CSonaroViewAccessible::view() const {
    return static_cast<CSonaroView*>(widget());
}

QString CSonaroViewAccessible::text(QAccessible::Text t) const {
    switch (t) {
        case QAccessible::Name:
            return view()->accessibleName().isEmpty() ? QStringLiteral("File information")
                                                      : view()->accessibleName();
        case QAccessible::Description:
            return view()->Summary();
        default:
            return QAccessibleWidget::text(t);
    }
}

int CSonaroViewAccessible::childCount() const {
    return static_cast<int>(view()->AccessibleItems().size());
}

QAccessibleInterface* CSonaroViewAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    const auto slot = static_cast<std::size_t>(index);
    if (children_.size() <= slot) {
        children_.resize(slot + 1, 0);
    }
    if (children_[slot] == 0) {
        children_[slot] =
            QAccessible::registerAccessibleInterface(new ViewItemAccessible(view(), index));
    }
    return QAccessible::accessibleInterface(children_[slot]);
}

int CSonaroViewAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (std::size_t i = 0; i < children_.size(); ++i) {
        if (children_[i] != 0 && QAccessible::accessibleInterface(children_[i]) == child) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

QAccessibleInterface* CSonaroViewAccessible::childAt(int x, int y) const {
    const QPoint local = view()->mapFromGlobal(QPoint(x, y));
    const std::vector<ViewItem> items = view()->AccessibleItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].rect.contains(local)) {
            return child(static_cast<int>(i));
        }
    }
    return nullptr;
}

void InstallViewAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ViewFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace sonaro
