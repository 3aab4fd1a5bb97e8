#pragma once

#include <QDBusPendingCall>
#include <QString>

// Desktop notices through the session's freedesktop notification service (whatever the desktop
// runs: GNOME Shell, KDE Plasma, dunst, mako...).
namespace DesktopNotifications {

inline constexpr auto service = "org.freedesktop.Notifications";
inline constexpr auto path = "/org/freedesktop/Notifications";
inline constexpr auto interface = "org.freedesktop.Notifications";

// Asks for one notice with the app's icon, titled "Tallyfern" unless another title is given.
// Without a session bus or a notification service the call finishes with an error, which callers
// may ignore.
QDBusPendingCall notify(const QString& body, const QString& title = QStringLiteral("Tallyfern"));

} // namespace DesktopNotifications
