#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// One Cursor account as Tallyfern knows it: what "/api/auth/me" said about it, and the label the
// user gave it. Its token lives in the secret store (AccountPlace::secretKey).
struct Account
{
    QString userId;
    QString email;
    QString name;
    QString label; // empty: none
    // Its place's generation (AccountPlace): set when it is added, changed when it is being removed.
    // The home account's is kept in its record (HomeRecord) instead.
    qint64 generation = 0;

    bool operator==(const Account&) const = default;

    // The label, else the e-mail, else the name, else the user id.
    QString displayName() const;
};

class AccountsLock;

// accounts.json in the support folder: the accounts side by side, which one the widget, the tray
// icon and `--status` show (the primary), and which one owns the home account's place. It exists
// only once a second account is added; without it there is exactly the home account, as before.
struct AccountList
{
    static constexpr int maximum = 8;
    static constexpr int longestLabel = 24;

    QString primary;
    std::optional<QString> home; // nothing: the home place is empty (its account was removed)
    QList<Account> accounts;

    bool operator==(const AccountList&) const = default;

    static QString fileName();

    enum class State {
        missing, // never written: the home account alone
        loaded,
        broken, // unreadable or inconsistent: the home account alone
    };
    struct Read;
    // Changes nothing on disk.
    static Read read();

    // Reads, changes and writes the list under accounts.lock, so that two processes never lose each
    // other's change. A broken file is set aside first. `change` returns false to write nothing; a
    // list it leaves without accounts is removed. False when the lock could not be taken or the file
    // not written.
    static bool update(const std::function<bool(AccountList& list, State state)>& change);
    // Under accounts.lock: read(), with a broken file set aside first (accounts.json.broken-<stamp>),
    // so the home account goes on alone and the broken file is never read again.
    static Read readHeld(const AccountsLock& held);
    // Under accounts.lock: writes the list, or removes the file when the list holds no account (the
    // home account then goes on alone, as before a second one was added). False when that failed.
    static bool write(const AccountList& list, const AccountsLock& held);
    // read(), with the same set-aside when the file is broken: for the account set as it is made
    // (the app's and the background refresh's start). Nothing is written when the file is missing
    // or well formed.
    static Read setAsideIfBroken();

    QByteArray encode() const;
    // Nothing for a list that is not well formed: a user id that cannot name a folder, two accounts
    // with one id or one label, more than eight, a primary or a home that is not listed.
    static std::optional<AccountList> decode(const QByteArray& bytes);

    // By user id, or by label.
    const Account* find(const QString& userIdOrLabel) const;
    Account* find(const QString& userIdOrLabel);

    // Why `label` cannot name the account `userId`: empty when it can (an empty label is none).
    QString labelRefusal(const QString& label, const QString& userId) const;
    // The same for a label given now: stricter than what a stored list may hold, which stays
    // readable (a label starting with "-" reads as an option on the command line).
    QString newLabelRefusal(const QString& label, const QString& userId) const;
};

struct AccountList::Read
{
    State state = State::missing;
    AccountList list;
};
