// The desktop notification on a private session bus of the test's own: what a notification
// service receives, and nothing said where no service or no bus is there.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QProcess>
#include <QTest>
#include <QVariantMap>

#include "app/desktop_notification.h"
#include "tests/support/scratch_dir.h"

namespace sonaro {
namespace {

// A notification service that keeps what it is sent.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    QStringList received;

  public slots:
    uint Notify(const QString& application, uint replaces, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeout) {
        received << application << QString::number(replaces) << icon << summary << body
                 << QString::number(actions.size()) << QString::number(hints.size())
                 << QString::number(timeout);
        return 1;
    }
};

// Counts the messages Qt writes while it lives.
class MessageCount {
  public:
    MessageCount() { previous_ = qInstallMessageHandler(&MessageCount::Count); }
    ~MessageCount() { qInstallMessageHandler(previous_); }
    static int seen;

  private:
    static void Count(QtMsgType, const QMessageLogContext&, const QString&) { ++seen; }
    QtMessageHandler previous_;
};
int MessageCount::seen = 0;

TEST(DesktopNotification, OnTheSessionBusOrNothing) {
    if (!QFile::exists(QStringLiteral("/usr/bin/dbus-daemon"))) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    test::ScratchDir dir;
    const QString address =
        QStringLiteral("unix:path=%1/bus").arg(QString::fromStdString(dir.path()));
    // A bus that starts no service of the system's own.
    dir.Write("bus.conf", [&] {
        const std::string text =
            "<busconfig><type>session</type><listen>" + address.toStdString() +
            "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
            "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
            "<allow own=\"*\"/></policy></busconfig>";
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }());
    QProcess bus;
    bus.start(QStringLiteral("/usr/bin/dbus-daemon"),
              {QStringLiteral("--nofork"),
               QStringLiteral("--config-file=") + QString::fromStdString(dir.File("bus.conf"))});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(QString::fromStdString(dir.File("bus"))); }));
    QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("client"));
    QDBusConnection server = QDBusConnection::connectToBus(address, QStringLiteral("server"));
    ASSERT_TRUE(client.isConnected() && server.isConnected())
        << client.lastError().message().toStdString();

    // No service owns the name yet: the call goes out and nothing is said of its failure.
    {
        const MessageCount messages;
        EXPECT_TRUE(NotifyDesktop(QStringLiteral("1 converted"), QStringLiteral("/x"), client));
        QTest::qWait(200);
        EXPECT_EQ(MessageCount::seen, 0);
    }

    FakeNotifications service;
    ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                      QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));
    EXPECT_TRUE(NotifyDesktop(QStringLiteral("38 converted, 2 refused"),
                              QStringLiteral("/home/u/Music/Sonaro"), client));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service.received.isEmpty(); }));
    EXPECT_EQ(service.received, (QStringList{"Sonaro", "0", "sonaro", "38 converted, 2 refused",
                                             "/home/u/Music/Sonaro", "0", "0", "-1"}));

    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    bus.terminate();
    bus.waitForFinished();
}

// Without a bus address and without a bus socket in the runtime directory, no bus is started or
// used, and nothing is sent.
TEST(DesktopNotification, NoSessionBusNoNotification) {
    test::ScratchDir runtime;
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path()));
    const QDBusConnection none = SessionBusIfAny();
    EXPECT_FALSE(none.isConnected());
    EXPECT_FALSE(NotifyDesktop(QStringLiteral("1 converted"), QStringLiteral("/x"), none));
    qputenv("XDG_RUNTIME_DIR", runtimeDir);
    if (!address.isEmpty()) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    }
}

}  // namespace
}  // namespace sonaro

#include "desktop_notification_test.moc"
