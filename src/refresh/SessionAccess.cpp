#include "SessionAccess.h"

#include "client/EditorSessionError.h"
#include "client/SessionKeychain.h"

KeychainSession::KeychainSession(AccountPlace place, bool ownUserOnly)
    : m_place(std::move(place))
    , m_ownUserOnly(ownUserOnly)
{}

SecretLookup KeychainSession::lookup()
{
    return SessionKeychain::lookup(m_place.secretKey());
}

bool KeychainSession::needsUnlock()
{
    return SessionKeychain::needsUnlock(m_place.secretKey());
}

QCoro::Task<SecretLookup> KeychainSession::unlockAndLookup()
{
    return SessionKeychain::unlockAndLookup(m_place.secretKey());
}

void KeychainSession::save(const QString& pasted)
{
    SessionKeychain::save(pasted, m_place.secretKey());
}

void KeychainSession::remove()
{
    SessionKeychain::remove(m_place.secretKey());
}

bool KeychainSession::isFollowing()
{
    return EditorLogin::isFollowing();
}

void KeychainSession::setFollowing(bool following)
{
    EditorLogin::setFollowing(following);
}

bool KeychainSession::ownsEditorLogin()
{
    if (!m_ownUserOnly)
        return true;
    try {
        return EditorSession::read().userId == m_place.userId;
    } catch (const EditorSessionError&) {
        return false; // signed out or unreadable: no account's login
    }
}

EditorLogin::FollowOutcome KeychainSession::follow()
{
    return EditorLogin::follow(m_place.secretKey(), m_ownUserOnly ? m_place.userId : QString());
}

EditorSession::Login KeychainSession::importFromEditor()
{
    return EditorLogin::importNow(m_place.secretKey());
}

void KeychainSession::rememberRejected(const QString& token)
{
    EditorLogin::rememberRejected(token);
}
