#include "DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

using namespace Qt::StringLiterals;

QDBusPendingCall DesktopNotifications::notify(const QString& body, const QString& title)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return QDBusPendingCall::fromError(bus.lastError());
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1StringView(service), QLatin1StringView(path),
                                                       QLatin1StringView(interface), u"Notify"_s);
    // The desktop entry lets the desktop group our notices under the app.
    const QVariantMap hints{{u"desktop-entry"_s, u"com.local.tallyfern"_s}};
    call << u"Tallyfern"_s << 0u << u"tallyfern"_s << title << body << QStringList() << hints << -1;
    // A desktop without a notification service must not hold the headless run for long.
    return bus.asyncCall(call, 5000);
}
