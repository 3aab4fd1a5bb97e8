#pragma once

#include "platform/SecretKey.h"
#include "platform/SecretLookup.h"

#include <QCoroTask>
#include <QString>

#include <optional>

// The session cookie "WorkosCursorSessionToken": turns a paste into the token and keeps it in the
// secret store, the only place it is ever written, under the account's key (the home account's when
// none is given). Nothing is kept in memory.
namespace SessionKeychain {

// The token out of a whole Cookie header, one cookie, or the bare value; may be empty. Pure.
QString normalize(const QString& pasted);

// Whether a token can travel in a Cookie header: no control characters, a line break above all,
// which would end the header early.
bool isSendable(const QString& token);

// Stores the normalised token in place of any earlier one. Throws SessionKeychainError: `empty`
// when the paste holds no token, or one that could not be sent; `locked` when the keyring would
// have to be unlocked first (it is never written then, so nothing prompts); `saveFailed` when the
// store refuses. In each case the earlier token, if any, is still there.
void save(const QString& pasted, const SecretKey& key = SecretKey::home());

// Whether save() would find the keyring locked. Never prompts.
bool isLocked();
// Whether `key`'s token is behind a lock a user's action must open first: its item, or the keyring a
// save writes into. Never prompts.
bool needsUnlock(const SecretKey& key = SecretKey::home());

// The stored token, trimmed, looked up without unlocking the keyring: what a refresh nobody asked
// for, the start-up and the headless run use. A blank token is absent.
SecretLookup lookup(const SecretKey& key = SecretKey::home());

// For a user's own action only: unlocks the keyring (it may prompt) and looks the token up again.
// Completes from the event loop; `locked` when the unlock was cancelled or failed (isLocked() then
// stays true too).
QCoro::Task<SecretLookup> unlockAndLookup(SecretKey key = SecretKey::home());

// The token when lookup() finds one; nothing when none is stored, it is blank, it is locked, or the
// store cannot be read.
std::optional<QString> read(const SecretKey& key = SecretKey::home());

// Removes the stored token if there is one. Never fails.
void remove(const SecretKey& key = SecretKey::home());

} // namespace SessionKeychain
