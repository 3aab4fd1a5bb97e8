#pragma once

#include "client/EditorLogin.h"
#include "model/AccountPlace.h"
#include "platform/SecretLookup.h"

#include <QCoroTask>
#include <QString>

// The session token as a refresh reaches it: looked up without unlocking, unlocked on a user's
// action, saved, removed, and the editor's login followed. KeychainSession keeps it in the desktop's
// secret store; tests script one.
class SessionAccess
{
public:
    virtual ~SessionAccess() = default;

    // Never prompts. A token the service turned away while it was the editor's followed login reads
    // as no token: it is never sent again, in any process, until the editor signs in anew.
    virtual SecretLookup lookup() = 0;
    // Whether a save would first have to unlock: the token's item, or the keyring. Never prompts.
    virtual bool needsUnlock() = 0;
    // A user's action only: the keyring may prompt. Completes from the event loop.
    virtual QCoro::Task<SecretLookup> unlockAndLookup() = 0;
    // A paste routed to this account (`owner`: whose the service said it is; empty when nobody had to
    // ask). Throws SessionKeychainError; the stored token stays then.
    virtual void save(const QString& pasted, const QString& owner) = 0;
    virtual void remove() = 0;

    // Following the editor is one switch for every account.
    virtual bool isFollowing() = 0;
    virtual void setFollowing(bool following) = 0;
    // Whether the editor's login is this account's: always with one account; with several, when the
    // editor is signed in as its user. Only then does following concern it. Reads the editor's
    // database.
    virtual bool ownsEditorLogin() = 0;
    // Never prompts and never writes into a locked keyring.
    virtual EditorLogin::FollowOutcome follow() = 0;
    // Throws EditorSessionError or SessionKeychainError.
    virtual EditorSession::Login importFromEditor() = 0;
    // So that following never takes this token again.
    virtual void rememberRejected(const QString& token) = 0;
};

// The account's item in the secret store, and the editor's login; every token stored through the
// account registry, which routes it by its one rule (with several accounts, each follows and imports
// only a login of its own user).
class KeychainSession : public SessionAccess
{
public:
    explicit KeychainSession(AccountPlace place = AccountPlace::homeAccount());

    SecretLookup lookup() override;
    bool needsUnlock() override;
    QCoro::Task<SecretLookup> unlockAndLookup() override;
    void save(const QString& pasted, const QString& owner) override;
    void remove() override;
    bool isFollowing() override;
    void setFollowing(bool following) override;
    bool ownsEditorLogin() override;
    EditorLogin::FollowOutcome follow() override;
    EditorSession::Login importFromEditor() override;
    void rememberRejected(const QString& token) override;

private:
    AccountPlace m_place;
};
