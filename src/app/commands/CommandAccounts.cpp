#include "CommandAccounts.h"

using namespace Qt::StringLiterals;

QList<CommandAccounts::Entry> CommandAccounts::all()
{
    const AccountList::Read read = AccountList::read();
    if (read.state != AccountList::State::loaded)
        return {{Account{}, AccountPlace::homeAccount(), true}};
    QList<Entry> entries;
    for (const Account& account : read.list.accounts)
        entries.append({account, read.list.placeOf(account.userId), account.userId == read.list.primary});
    return entries;
}

std::optional<QList<CommandAccounts::Entry>> CommandAccounts::chosen(const std::optional<QString>& account,
                                                                     bool allowAll)
{
    const QList<Entry> entries = all();
    if (account && allowAll && *account == "all"_L1)
        return entries;
    for (const Entry& entry : entries) {
        const bool named = account && !account->isEmpty() &&
                           (entry.account.userId == *account || entry.account.label == *account);
        if (account ? named : entry.primary)
            return QList<Entry>{entry};
    }
    return std::nullopt;
}

QString CommandAccounts::unknown(const QString& account)
{
    return u"tallyfern：没有这个账号："_s + account;
}
