#include "TimelineHost.h"

#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Clock.h"
#include "platform/WidgetCenter.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// One atomic save shows up as several folder events (temporary file created, written, renamed);
// they are answered with one timeline shortly after the first.
constexpr int settleMs = 150;

} // namespace

TimelineHost::TimelineHost(Provider provider, QObject* parent)
    : QObject(parent)
    , m_provider(std::move(provider))
    , m_entry(m_provider.placeholder())
{
    m_reloadTimer.setSingleShot(true);
    m_reloadTimer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_reloadTimer, &QTimer::timeout, this, &TimelineHost::reload);

    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(settleMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &TimelineHost::reload);

    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &TimelineHost::supportFolderChanged);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &TimelineHost::supportFolderChanged);
}

void TimelineHost::start()
{
    reload();
}

void TimelineHost::reload()
{
    m_settleTimer.stop();
    // Re-armed on every timeline: the folder may have been removed or replaced since.
    watchSupportFolder();

    m_timeline = m_provider.timeline();
    if (!m_timeline.entries.isEmpty())
        m_entry = m_timeline.entries.constFirst();

    const double seconds = m_timeline.reloadAfter.secondsSinceReference - Clock::now().secondsSinceReference;
    const double ms = std::clamp(std::ceil(seconds * 1000.0), 0.0, double(std::numeric_limits<int>::max()));
    m_reloadTimer.start(int(ms));

    Q_EMIT entryChanged(m_entry);
}

void TimelineHost::watchSupportFolder()
{
    const QString folder = SnapshotStore::supportFolder();
    // A missing folder cannot be watched; the app creates the same folder on its first save.
    QDir().mkpath(folder);
    if (!m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);

    // The folder sees atomic replacements; the files themselves see a rewrite in place.
    const QStringList files{SnapshotStore::fileName(), PricingStore::fileName(),
                            WidgetCenter::markerFileName()};
    const QStringList watched = m_watcher.files();
    for (const QString& file : files) {
        if (!watched.contains(file) && QFileInfo::exists(file))
            m_watcher.addPath(file);
    }
}

void TimelineHost::supportFolderChanged()
{
    // Not restarted by later events, so a steady stream of changes cannot postpone the timeline.
    if (!m_settleTimer.isActive())
        m_settleTimer.start();
}
