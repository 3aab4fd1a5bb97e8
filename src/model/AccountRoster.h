#pragma once

#include "AccountList.h"
#include "AccountPlace.h"
#include "HomeRecord.h"

#include <QList>

// The accounts as one read of accounts.json and the home account's record sees them: those the list
// names, or, with no list, the home account alone (its user id and e-mail as recorded, or unknown),
// and none once it was removed. Each with its place, generation included. Reading changes nothing.
struct AccountRoster
{
    struct Entry
    {
        Account account;
        AccountPlace place;

        bool operator==(const Entry&) const = default;
    };

    AccountList::State state = AccountList::State::missing; // of accounts.json
    AccountList list;                                       // as read; empty unless loaded
    HomeRecord home;
    QList<Entry> entries;

    bool operator==(const AccountRoster&) const = default;

    static AccountRoster read();
    static AccountRoster of(const AccountList::Read& read, const HomeRecord& home);

    bool isListed() const { return state == AccountList::State::loaded; }
    // More than one account: only then are accounts told apart by name.
    bool several() const { return entries.size() > 1; }
    // By user id or label; with no list, by the home account's recorded user id.
    const Entry* find(const QString& userIdOrLabel) const;
    // The one in the home place; nothing when that place is empty.
    const Entry* homeEntry() const;
    // The one the widget, the tray and `--status` show; nothing when there is none.
    const Entry* primary() const;
    // Nothing but the home account (or none at all): a token there is simply the home account's,
    // as it was before accounts could be added.
    bool homeAlone() const
    {
        return entries.isEmpty() || (entries.size() == 1 && entries.constFirst().place.home);
    }
};
