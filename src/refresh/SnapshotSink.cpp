#include "SnapshotSink.h"

#include "model/SnapshotStore.h"
#include "platform/WidgetCenter.h"

UsageSnapshot StoredSnapshots::load()
{
    return SnapshotStore::load();
}

bool StoredSnapshots::save(const UsageSnapshot& snapshot)
{
    return SnapshotStore::save(snapshot);
}

void StoredSnapshots::nudgeWidget()
{
    WidgetCenter::reloadAllTimelines();
}
