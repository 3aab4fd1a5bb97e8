#pragma once

#include "AccountRegistry.h"

#include "model/AccountsLock.h"

// What the registry's source files share.
namespace AccountRegistry::detail {

// Holding the lock: the accounts as on disk now (a broken list set aside) and the rule asked on them.
struct Decision
{
    Route route;
    AccountRoster roster;
};
Decision decide(const AccountsLock& lock, Arrival arrival, const QString& owner, bool homeSignedOut);

// Whether a place the rule gives now is the one a token was routed to earlier (generation included).
bool isSamePlace(const AccountPlace& routed, const AccountPlace& expected);

// A token's account takes the empty home place: the record names it when its user is known.
bool fillHomePlace(const AccountsLock& lock, const Decision& decision, const QString& email);

} // namespace AccountRegistry::detail
