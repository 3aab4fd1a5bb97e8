#include "CommandAccounts.h"

#include "client/SessionKeychain.h"

using namespace Qt::StringLiterals;

namespace {

CommandAccounts::Entry entryOf(const AccountList& list, const Account& account)
{
    return {account, list.placeOf(account.userId), account.userId == list.primary};
}

} // namespace

QList<CommandAccounts::Entry> CommandAccounts::all(const AccountList::Read& read)
{
    if (read.state != AccountList::State::loaded)
        return {{Account{}, AccountPlace::homeAccount(), true}};
    QList<Entry> entries;
    for (const Account& account : read.list.accounts)
        entries.append(entryOf(read.list, account));
    return entries;
}

std::optional<QList<CommandAccounts::Entry>>
CommandAccounts::chosen(const AccountList::Read& read, const std::optional<QString>& account, bool allowAll)
{
    if (!account) {
        for (const Entry& entry : all(read)) {
            if (entry.primary)
                return QList<Entry>{entry};
        }
        return std::nullopt;
    }
    if (allowAll && *account == "all"_L1)
        return all(read);
    // The home account alone has no id or label to be named by.
    const Account* found = read.state == AccountList::State::loaded ? read.list.find(*account) : nullptr;
    if (!found)
        return std::nullopt;
    return QList<Entry>{entryOf(read.list, *found)};
}

bool CommandAccounts::signedIn(const AccountPlace& place)
{
    return SessionKeychain::lookup(place.secretKey()).state != SecretLookup::State::absent;
}

QString CommandAccounts::unknown(const QString& account)
{
    return u"tallyfern：没有这个账号："_s + account;
}
