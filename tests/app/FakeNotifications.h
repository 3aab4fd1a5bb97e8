#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

using namespace Qt::StringLiterals;

// The desktop's notification service, played on the test's private session bus while it lives:
// records each Notify call as it arrives, from this process or a child.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    // app name, icon, summary and body of one call, joined by "|".
    QStringList calls;

    FakeNotifications()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        registered =
            bus.registerObject(u"/org/freedesktop/Notifications"_s, this, QDBusConnection::ExportAllSlots) &&
            bus.registerService(u"org.freedesktop.Notifications"_s);
    }
    ~FakeNotifications() override
    {
        QDBusConnection::sessionBus().unregisterService(u"org.freedesktop.Notifications"_s);
        QDBusConnection::sessionBus().unregisterObject(u"/org/freedesktop/Notifications"_s);
    }

    bool registered = false;

public Q_SLOTS:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        calls.append(QStringList{app, icon, summary, body}.join(u'|'));
        return uint(calls.size());
    }
};
