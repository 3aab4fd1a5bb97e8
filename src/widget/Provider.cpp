#include "Provider.h"

#include "model/SnapshotStore.h"
#include "platform/Clock.h"
#include "platform/Settings.h"

UsageEntry Provider::placeholder() const
{
    return UsageEntry{Clock::now(), UsageSnapshot::sample()};
}

UsageEntry Provider::snapshot() const
{
    const Timestamp now = Clock::now();
    // The widget's own settings domain only backs up the shared file; the app never writes it.
    const auto defaults = Settings::open(QLatin1StringView(Settings::widgetDomain));
    return UsageEntry{now, SnapshotStore::load(defaults.get())};
}

Timeline Provider::timeline() const
{
    UsageEntry entry = snapshot();
    const Timestamp reloadAfter{Clock::now().secondsSinceReference + reloadInterval};
    return Timeline{{std::move(entry)}, reloadAfter};
}
