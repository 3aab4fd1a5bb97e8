#pragma once

#include "Provider.h"
#include "Timeline.h"
#include "UsageEntry.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

// Plays the part of the desktop's widget host: asks the provider for a timeline at start, when the
// last timeline's reload date comes, and whenever something in the support folder changes (a new
// snapshot or pricing file, or the app's reload nudge), and publishes the entry to show.
class TimelineHost : public QObject
{
    Q_OBJECT

public:
    explicit TimelineHost(Provider provider = Provider(), QObject* parent = nullptr);

    // Arms the folder watch and builds the first timeline. Until then the entry is the placeholder.
    void start();

    const UsageEntry& currentEntry() const { return m_entry; }
    const Timeline& currentTimeline() const { return m_timeline; }
    // Milliseconds until the next scheduled timeline, as the reload timer was set.
    int msUntilReload() const { return m_reloadTimer.interval(); }

Q_SIGNALS:
    void entryChanged(const UsageEntry& entry);

private:
    void reload();
    void watchSupportFolder();
    void supportFolderChanged();

    Provider m_provider;
    Timeline m_timeline;
    UsageEntry m_entry;
    QFileSystemWatcher m_watcher;
    QTimer m_reloadTimer;
    QTimer m_settleTimer;
};
