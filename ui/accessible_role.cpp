#include "ui/accessible_role.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace sonaro {
namespace {

constexpr char kRoleProperty[] = "sonaroAccessibleRole";

QAccessibleInterface* RoleFactory(const QString& /*className*/, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    const QVariant role = object != nullptr ? object->property(kRoleProperty) : QVariant();
    if (widget == nullptr || !role.isValid()) {
        return nullptr;
    }
    return new QAccessibleWidget(widget, static_cast<QAccessible::Role>(role.toInt()));
}

}  // namespace

void SetAccessibleRole(QWidget* window, QAccessible::Role role) {
    static const bool installed = [] {
        QAccessible::installFactory(RoleFactory);
        return true;
    }();
    (void)installed;
    window->setProperty(kRoleProperty, static_cast<int>(role));
}

}  // namespace sonaro
