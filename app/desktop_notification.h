#pragma once

#include <QDBusConnection>
#include <QString>

namespace sonaro {

// Shows a notification through the desktop's notification service (org.freedesktop.Notifications)
// on that bus, without waiting for an answer. Where no bus runs, or no such service, nothing
// happens and nothing is said. Answers whether it was sent.
bool NotifyDesktop(const QString& summary, const QString& body, QDBusConnection bus);

// The user's session bus, when the session has one (its address is known, or its socket lies in
// the runtime directory); else a connection that is not connected. A bus is never started for it.
QDBusConnection SessionBusIfAny();

}  // namespace sonaro
