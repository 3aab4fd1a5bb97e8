#include "AccountRoster.h"

AccountRoster AccountRoster::read()
{
    return of(AccountList::read(), HomeRecord::read());
}

AccountRoster AccountRoster::of(const AccountList::Read& read, const HomeRecord& home)
{
    AccountRoster roster;
    roster.state = read.state;
    roster.home = home;
    if (roster.isListed()) {
        roster.list = read.list;
        for (const Account& account : std::as_const(roster.list.accounts)) {
            const AccountPlace place = roster.list.home == account.userId
                                           ? AccountPlace::homeAccount(account.userId, home.generation)
                                           : AccountPlace::otherAccount(account.userId, account.generation);
            roster.entries.append({account, place});
        }
    } else if (!home.isRemoved()) {
        // A broken list counts as none: the home account goes on alone.
        const Account account{home.userId.value_or(QString()), home.email, {}, {}, 0};
        roster.entries.append({account, AccountPlace::homeAccount(account.userId, home.generation)});
    }
    return roster;
}

const AccountRoster::Entry* AccountRoster::find(const QString& userIdOrLabel) const
{
    if (userIdOrLabel.isEmpty())
        return nullptr;
    if (isListed()) {
        const Account* found = list.find(userIdOrLabel);
        for (const Entry& entry : entries) {
            if (found && entry.account.userId == found->userId)
                return &entry;
        }
        return nullptr;
    }
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) {
        return entry.account.userId == userIdOrLabel;
    });
    return found != entries.end() ? &*found : nullptr;
}

const AccountRoster::Entry* AccountRoster::homeEntry() const
{
    const auto found =
        std::find_if(entries.begin(), entries.end(), [](const Entry& entry) { return entry.place.home; });
    return found != entries.end() ? &*found : nullptr;
}

const AccountRoster::Entry* AccountRoster::primary() const
{
    if (!isListed())
        return entries.isEmpty() ? nullptr : &entries.constFirst();
    const auto found = std::find_if(entries.begin(), entries.end(), [this](const Entry& entry) {
        return entry.account.userId == list.primary;
    });
    return found != entries.end() ? &*found : (entries.isEmpty() ? nullptr : &entries.constFirst());
}
