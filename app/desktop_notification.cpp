#include "app/desktop_notification.h"

#include <QDBusMessage>
#include <QFileInfo>
#include <QVariantMap>

namespace sonaro {

bool NotifyDesktop(const QString& summary, const QString& body, QDBusConnection bus) {
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application name, id of a notification it replaces (none), icon, summary, body, actions,
    // hints, and how long it shows (-1: the server decides).
    call << QStringLiteral("Sonaro") << 0U << QStringLiteral("sonaro") << summary << body
         << QStringList() << QVariantMap() << -1;
    call.setAutoStartService(true);
    return bus.send(call);
}

// Without an address, the bus library would try to start a bus of its own for the display.
QDBusConnection SessionBusIfAny() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        (!runtime.isEmpty() &&
         QFileInfo::exists(QString::fromLocal8Bit(runtime) + QStringLiteral("/bus")))) {
        return QDBusConnection::sessionBus();
    }
    return QDBusConnection(QStringLiteral("sonaro-no-bus"));
}

}  // namespace sonaro
