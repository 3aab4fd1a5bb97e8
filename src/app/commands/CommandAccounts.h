#pragma once

#include "model/AccountRoster.h"
#include "platform/SecretLookup.h"

#include <QList>

#include <optional>

// The accounts as the commands name them: those accounts.json lists, or the home account alone, by
// its recorded user id and e-mail once the service has named it. Reading creates and changes
// nothing; a command reads them once (AccountRoster::read()) and passes what it read.
namespace CommandAccounts {

struct Entry
{
    Account account;
    AccountPlace place;
    bool primary = false;
};

QList<Entry> all(const AccountRoster& roster);

// `--account`: the primary when none is named, every account for "all" (where `allowAll`), the one
// with that user id or label. Nothing for an unknown account.
std::optional<QList<Entry>> chosen(const AccountRoster& roster, const std::optional<QString>& account,
                                   bool allowAll);

// Whether the account has a token, and whether it waits behind a locked keyring: asked without
// loading the token (a status bar's command never holds one) and without unlocking; never prompts.
SecretLookup::State session(const AccountPlace& place);

// The line a command prints for an unknown account.
QString unknown(const QString& account);

} // namespace CommandAccounts
