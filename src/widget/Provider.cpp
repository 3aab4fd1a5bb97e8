#include "Provider.h"

#include "model/AccountRoster.h"
#include "model/SnapshotStore.h"
#include "platform/Clock.h"
#include "platform/Preferences.h"

namespace {

// The account named (or the primary).
const AccountRoster::Entry* entryOf(const AccountRoster& roster, const QString& named)
{
    return named.isEmpty() ? roster.primary() : roster.find(named);
}

} // namespace

Provider::Provider(QString account)
    : m_account(std::move(account))
{
    if (m_account.isEmpty())
        return;
    const AccountRoster roster = AccountRoster::read();
    if (const AccountRoster::Entry* found = entryOf(roster, m_account)) {
        m_known = true;
        m_name = found->account.displayName();
    }
}

UsageEntry Provider::placeholder() const
{
    return UsageEntry{Clock::now(), UsageSnapshot::sample()};
}

UsageEntry Provider::snapshot() const
{
    const Timestamp now = Clock::now();
    const AccountRoster roster = AccountRoster::read();
    const AccountRoster::Entry* entry = entryOf(roster, m_account);
    // The account asked for was removed since: the empty state, not another account under its name.
    if (!entry && !m_account.isEmpty())
        return UsageEntry{now, UsageSnapshot::empty()};
    if (entry && !entry->place.home)
        return UsageEntry{now, SnapshotStore::loadFrom(entry->place)};
    // The home account's file; the widget's own settings domain only backs it up, and the app
    // never writes that.
    return UsageEntry{now, SnapshotStore::load(Preferences::Key::widgetSnapshot)};
}

Timeline Provider::timeline() const
{
    UsageEntry entry = snapshot();
    const Timestamp reloadAfter{Clock::now().secondsSinceReference + reloadInterval};
    return Timeline{{std::move(entry)}, reloadAfter};
}
