#include "WidgetCenter.h"

#include "AtomicFile.h"
#include "Clock.h"
#include "Paths.h"

QString WidgetCenter::markerFileName()
{
    return Paths::supportFolder() + u'/' + QLatin1StringView(markerName);
}

void WidgetCenter::reloadAllTimelines()
{
    AtomicFile::makePrivateFolder(Paths::supportFolder());
    // The content changes on every nudge, so a watcher comparing contents sees each one.
    AtomicFile::write(markerFileName(), QByteArray::number(Clock::now().msSince1970(), 'f', 0));
}
