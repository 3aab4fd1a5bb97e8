#pragma once

#include "model/AccountList.h"

#include <QList>

#include <optional>

// The accounts as the commands name them: those accounts.json lists, or the home account alone
// (whose user id and e-mail are then not known). Reading creates and changes nothing.
namespace CommandAccounts {

struct Entry
{
    Account account;
    AccountPlace place;
    bool primary = false;
};

QList<Entry> all();

// `--account`: the primary when none is named, every account for "all" (where `allowAll`), the one
// with that user id or label. Nothing for an unknown account.
std::optional<QList<Entry>> chosen(const std::optional<QString>& account, bool allowAll);

// The line a command prints for an unknown account.
QString unknown(const QString& account);

} // namespace CommandAccounts
