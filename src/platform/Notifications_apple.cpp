#include "DesktopNotifications.h"

#include <QDBusError>

using namespace Qt::StringLiterals;

// The macOS edition posts through the user notification centre, which cannot be compiled on the
// Linux machines the app is built on today. Until then a notice ends as one the desktop could not
// show, which every caller already takes in its stride.
QDBusPendingCall DesktopNotifications::notify(const QString&, const QString&)
{
    return QDBusPendingCall::fromError(
        QDBusError(QDBusError::NotSupported, u"notices are not available on this platform yet"_s));
}
