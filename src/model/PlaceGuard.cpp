#include "PlaceGuard.h"

#include "AccountRoster.h"
#include "AccountsLock.h"

bool PlaceGuard::isCurrent(const AccountPlace& place)
{
    const AccountRoster roster = AccountRoster::read();
    // The home place is the home account's whoever signs in there (its user may change with a new
    // token); only a removal, which changes the generation, takes it away.
    const auto found = std::find_if(roster.entries.begin(), roster.entries.end(), [&](const auto& entry) {
        return entry.place.home == place.home && entry.place.generation == place.generation &&
               (place.home || entry.place.userId == place.userId);
    });
    return found != roster.entries.end();
}

bool PlaceGuard::isCurrent(const AccountPlace& place, const AccountsLock&)
{
    return isCurrent(place);
}

bool PlaceGuard::write(const AccountPlace& place, const std::function<bool()>& write)
{
    const AccountsLock lock;
    return lock.isHeld() && isCurrent(place, lock) && write();
}
