#pragma once

#include "model/AccountList.h"

#include <QList>

#include <optional>

// The accounts as the commands name them: those accounts.json lists, or the home account alone
// (whose user id and e-mail are then not known). Reading creates and changes nothing; a command
// reads the file once (AccountList::read()) and passes what it read.
namespace CommandAccounts {

struct Entry
{
    Account account;
    AccountPlace place;
    bool primary = false;
};

QList<Entry> all(const AccountList::Read& read);

// `--account`: the primary when none is named, every account for "all" (where `allowAll`), the one
// with that user id or label. Nothing for an unknown account.
std::optional<QList<Entry>> chosen(const AccountList::Read& read, const std::optional<QString>& account,
                                   bool allowAll);

// Whether the account has a token, looked up without unlocking (a locked one counts): never prompts.
bool signedIn(const AccountPlace& place);

// The line a command prints for an unknown account.
QString unknown(const QString& account);

} // namespace CommandAccounts
