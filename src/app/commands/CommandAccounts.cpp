#include "CommandAccounts.h"

#include "platform/SecretStore.h"

using namespace Qt::StringLiterals;

QList<CommandAccounts::Entry> CommandAccounts::all(const AccountRoster& roster)
{
    // The home place emptied and nothing listed: the home account alone, signed out, as the window
    // shows it.
    if (roster.entries.isEmpty())
        return {{Account{}, AccountPlace::homeAccount({}, roster.home.generation), true}};
    const AccountRoster::Entry* primary = roster.primary();
    QList<Entry> entries;
    for (const AccountRoster::Entry& entry : roster.entries)
        entries.append({entry.account, entry.place, &entry == primary});
    return entries;
}

std::optional<QList<CommandAccounts::Entry>>
CommandAccounts::chosen(const AccountRoster& roster, const std::optional<QString>& account, bool allowAll)
{
    const QList<Entry> entries = all(roster);
    if (!account) {
        for (const Entry& entry : entries) {
            if (entry.primary)
                return QList<Entry>{entry};
        }
        return std::nullopt;
    }
    if (allowAll && *account == "all"_L1)
        return entries;
    const AccountRoster::Entry* found = roster.find(*account);
    for (const Entry& entry : entries) {
        if (found && entry.place == found->place)
            return QList<Entry>{entry};
    }
    return std::nullopt;
}

SecretLookup::State CommandAccounts::session(const AccountPlace& place)
{
    return SecretStore::current().presence(place.secretKey());
}

QString CommandAccounts::unknown(const QString& account)
{
    return u"tallyfern：没有这个账号："_s + account;
}
