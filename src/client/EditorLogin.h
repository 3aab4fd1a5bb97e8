#pragma once

#include "EditorSession.h"

#include "platform/SecretKey.h"

#include <QString>

// Signing in from the editor: the one-off import the user asks for, and the follow step that keeps
// the stored token in step with the editor's rotating login before every refresh. The token itself
// only ever goes to the secret store, through SessionKeychain.
namespace EditorLogin {

bool isFollowing();
void setFollowing(bool following);

// Stores the editor's current login in place of the stored token and turns following on. Throws
// EditorSessionError (also `rejected` for a token the service already turned away, `malformed` for
// one that could not be sent) or SessionKeychainError (`locked`, `saveFailed`); the stored token and
// the switch are then left as they were.
EditorSession::Login importNow(const SecretKey& key = SecretKey::home());

// The editor's current login when it could be imported: what importNow() checks, without storing.
EditorSession::Login current();

enum class FollowOutcome {
    unchanged, // following off, nothing usable in the editor, or the same token already stored
    stored,    // the editor's newer login is now the stored token
    locked,    // a newer login is there, but storing it would have to unlock the keyring
};

// Before a refresh: with following on, stores the editor's login when it is valid, differs from the
// stored token and was not turned away before. The stored token is used as is otherwise. Never
// throws, never unlocks the keyring and never writes into a locked one.
// With `accountUserId` (an account among several), only a login of that user is taken.
FollowOutcome follow(const SecretKey& key = SecretKey::home(), const QString& accountUserId = {});

// Called when the service answered "unauthorized" to `token` while it was the editor's followed
// login, so that following never stores it again and no refresh sends it again.
void rememberRejected(const QString& token);
// Whether `token` is the one the service turned away.
bool isRejected(const QString& token);

} // namespace EditorLogin
