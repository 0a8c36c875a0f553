#include "platform/UserNotifications.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>

namespace sv {

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

bool UserNotifications::isAvailable() const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    QDBusConnectionInterface* iface = bus.interface();
    if (iface->isServiceRegistered(Service).value())
        return true;
    // Many desktops start their notification daemon on first use.
    const QDBusReply<QStringList> activatable =
        iface->call(QStringLiteral("ListActivatableNames"));
    return activatable.isValid() && activatable.value().contains(Service);
}

bool UserNotifications::deliver(const QString& title, const QString& text)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString app = QCoreApplication::applicationName().isEmpty()
        ? QStringLiteral("Skyvane") : QCoreApplication::applicationName();
    // A plain message rather than QDBusInterface, which would introspect
    // the service synchronously first.
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    call << app << uint(0) << QString() << title << text << QStringList() << QVariantMap() << int(-1);
    if (!bus.send(call))
        return false;
    qCInfo(lcSkyvane) << "Notification sent:" << title;
    return true;
}

UserNotifications& UserNotifications::shared()
{
    static UserNotifications notifications;
    return notifications;
}

} // namespace sv
