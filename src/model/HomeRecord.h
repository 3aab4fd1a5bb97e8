#pragma once

#include <QString>

#include <optional>

class AccountsLock;

// What is known of the home account, kept in the app's settings so that an install with one account
// needs no account list: its user id and e-mail as the service last told them, and the generation
// of its place (PlaceGuard), which changes whenever the home account leaves the place.
struct HomeRecord
{
    // Nothing: never learnt (an install from before accounts, or not refreshed since). Empty: the
    // home place is empty, its account removed; never read as an install from before accounts.
    std::optional<QString> userId;
    QString email;
    qint64 generation = 0;

    bool operator==(const HomeRecord&) const = default;

    bool isKnown() const { return userId && !userId->isEmpty(); }
    bool isRemoved() const { return userId && userId->isEmpty(); }

    static HomeRecord read();
    // Writes only what differs from the stored record. False when the settings could not be saved.
    bool write(const AccountsLock& held) const;
};
