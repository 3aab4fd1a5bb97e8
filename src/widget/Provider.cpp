#include "Provider.h"

#include "model/SnapshotStore.h"
#include "platform/Clock.h"
#include "platform/Preferences.h"

UsageEntry Provider::placeholder() const
{
    return UsageEntry{Clock::now(), UsageSnapshot::sample()};
}

UsageEntry Provider::snapshot() const
{
    const Timestamp now = Clock::now();
    // The widget's own settings domain only backs up the shared file; the app never writes it.
    return UsageEntry{now, SnapshotStore::load(Preferences::Key::widgetSnapshot)};
}

Timeline Provider::timeline() const
{
    UsageEntry entry = snapshot();
    const Timestamp reloadAfter{Clock::now().secondsSinceReference + reloadInterval};
    return Timeline{{std::move(entry)}, reloadAfter};
}
