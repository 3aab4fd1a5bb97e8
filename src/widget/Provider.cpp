#include "Provider.h"

#include "model/AccountList.h"
#include "model/SnapshotStore.h"
#include "platform/Clock.h"
#include "platform/Preferences.h"

namespace {

// The account named (or the primary), when accounts.json lists accounts.
const Account* accountOf(const AccountList::Read& read, const QString& named)
{
    if (read.state != AccountList::State::loaded)
        return nullptr;
    return read.list.find(named.isEmpty() ? read.list.primary : named);
}

} // namespace

Provider::Provider(QString account)
    : m_account(std::move(account))
{
    if (m_account.isEmpty())
        return;
    const AccountList::Read read = AccountList::read();
    if (const Account* found = accountOf(read, m_account)) {
        m_known = true;
        m_name = found->displayName();
    }
}

UsageEntry Provider::placeholder() const
{
    return UsageEntry{Clock::now(), UsageSnapshot::sample()};
}

UsageEntry Provider::snapshot() const
{
    const Timestamp now = Clock::now();
    const AccountList::Read read = AccountList::read();
    const Account* account = accountOf(read, m_account);
    // The account asked for was removed since: the empty state, not another account under its name.
    if (!account && !m_account.isEmpty())
        return UsageEntry{now, UsageSnapshot::empty()};
    if (account && read.list.home != account->userId)
        return UsageEntry{now, SnapshotStore::loadFrom(read.list.placeOf(account->userId))};
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
