#pragma once

#include "AccountPlace.h"

#include <functional>

class AccountsLock;

// Keeps a refresh that is still running for a removed account from writing into its place: a
// removal changes the place's generation first, and every write into a place checks, under
// accounts.lock, that the generation is still the one its refresh started with. So a removal either
// comes before a write (nothing is written) or after it (and deletes what was written); the
// account's folder is never made again.
namespace PlaceGuard {

// Whether `place` still belongs to the account it was read for: the home place with the same
// generation, or another account still listed with the same generation (so not removed, even if
// added again since). Without the lock, only a hint.
bool isCurrent(const AccountPlace& place);
bool isCurrent(const AccountPlace& place, const AccountsLock& held);

// Runs `write` while holding accounts.lock, when the place is still current. False when it is not,
// when the lock could not be taken, or when `write` answered false.
bool write(const AccountPlace& place, const std::function<bool()>& write);

} // namespace PlaceGuard
