#include "SnapshotSink.h"

#include "model/SnapshotStore.h"
#include "platform/WidgetCenter.h"

StoredSnapshots::StoredSnapshots(AccountPlace place)
    : m_place(std::move(place))
{}

UsageSnapshot StoredSnapshots::load()
{
    return SnapshotStore::loadFrom(m_place);
}

bool StoredSnapshots::save(const UsageSnapshot& snapshot)
{
    return SnapshotStore::saveTo(m_place, snapshot);
}

void StoredSnapshots::nudgeWidget()
{
    WidgetCenter::reloadAllTimelines();
}
