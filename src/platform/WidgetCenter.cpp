#include "WidgetCenter.h"

#include "Clock.h"
#include "Paths.h"

#include <QDir>
#include <QSaveFile>

QString WidgetCenter::markerFileName()
{
    return Paths::supportFolder() + u'/' + QLatin1StringView(markerName);
}

void WidgetCenter::reloadAllTimelines()
{
    QDir().mkpath(Paths::supportFolder());
    QSaveFile marker(markerFileName());
    if (!marker.open(QIODevice::WriteOnly))
        return;
    // The content changes on every nudge, so a watcher comparing contents sees each one.
    marker.write(QByteArray::number(Clock::now().msSince1970(), 'f', 0));
    marker.commit();
}
