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
{}

bool Provider::knowsAccount() const
{
    const AccountList::Read read = AccountList::read();
    return m_account.isEmpty() || accountOf(read, m_account);
}

QString Provider::accountName() const
{
    // The list outlives the account it is asked for.
    const AccountList::Read read = AccountList::read();
    const Account* account = m_account.isEmpty() ? nullptr : accountOf(read, m_account);
    if (!account)
        return {};
    return account->label.isEmpty() ? account->email : account->label;
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
