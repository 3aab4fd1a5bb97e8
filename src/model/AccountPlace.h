#pragma once

#include "platform/SecretKey.h"

#include <QString>

// Where one account keeps its session token and its files. The home account, the one every earlier
// version kept, has the original secret item and the support folder's top-level files (snapshot.json,
// history.sqlite, notices.json, the rate limit in the settings), which never move, so the widget and
// any older reader keep working. Every other account has an item of its own and the folder
// accounts/<user id>/.
struct AccountPlace
{
    bool home = true;
    QString userId; // the home account's may be unknown (empty) until the service names it
    // The place's generation when it was read (HomeRecord, accounts.json): a removal changes it, so a
    // refresh still running for the removed account writes nothing more (PlaceGuard).
    qint64 generation = 0;

    bool operator==(const AccountPlace&) const = default;

    static AccountPlace homeAccount(const QString& userId = {}, qint64 generation = 0);
    static AccountPlace otherAccount(const QString& userId, qint64 generation = 0);
    // A generation no place had before: positive, and exact in a JSON number.
    static qint64 newGeneration();

    QString folder() const;
    QString snapshotFile() const;
    QString ledgerFile() const;
    QString noticesFile() const;
    QString noticesLock() const;
    // Only another account's: the home account keeps its wait in the settings.
    QString rateLimitFile() const;
    SecretKey secretKey() const;
    // Creates the folder (and accounts/ above it) when missing, 0700 either way. Only adding an
    // account does: a store never makes the folder of an account that may have been removed.
    bool makeFolder() const;

    // A user id is the part of the service's `sub` after its last '|', and names a folder: letters,
    // digits, '_' and '-', not starting with '-', at most 64 characters.
    static bool isValidUserId(const QString& userId);
    // "auth0|user_01ABC" → "user_01ABC".
    static QString userIdOfSubject(const QString& subject);
};
