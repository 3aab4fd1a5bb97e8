#pragma once

#include "client/UsageService.h"
#include "model/AccountList.h"

#include <QCoroTask>
#include <QString>

// Adding, updating and removing accounts, for `--add-account` and `--remove-account` and the
// window's "添加账号": a token is checked with "/api/auth/me" and stored in the place of the account
// it belongs to. With no accounts.json, the first account stays the home account alone and no list
// is written; the list appears once a second account is added.
namespace AccountEnrollment {

struct Outcome
{
    enum class Kind {
        added,
        updated,
        refused, // nothing stored: `text` says why
    };
    Kind kind = Kind::refused;
    QString text; // "已添加账号：…", "已更新账号：…", or the reason
    Account account;
};

// A user's action: the keyring may be unlocked (it prompts); when it stays locked, "钥匙串已锁定"
// and nothing is stored.
QCoro::Task<Outcome> add(QString pasted, std::shared_ptr<UsageService> service);

struct Removal
{
    enum class Kind {
        removed,
        unknown, // no account by that id or label
        failed,  // nothing removed: `text` says why (the keyring stays locked, the ledger is busy)
    };
    Kind kind = Kind::unknown;
    QString text;
};

// The account's token, its files and its ledger go, and it leaves the list. The home account's
// place is left empty for the next account added; the primary passes to the first account left.
QCoro::Task<Removal> remove(QString userIdOrLabel);

enum class PrimaryChoice {
    made,
    unknown, // no account by that id or label
    failed,  // accounts.json could not be written (its lock not taken, or the write refused)
};
PrimaryChoice setPrimary(const QString& userIdOrLabel);

// What `--add-account` and the window say about an account: its e-mail, else its user id.
QString nameOf(const Account& account);

} // namespace AccountEnrollment
