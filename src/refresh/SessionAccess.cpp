#include "SessionAccess.h"

#include "client/SessionKeychain.h"

SecretLookup KeychainSession::lookup()
{
    return SessionKeychain::lookup();
}

bool KeychainSession::isLocked()
{
    return SessionKeychain::isLocked();
}

QCoro::Task<SecretLookup> KeychainSession::unlockAndLookup()
{
    return SessionKeychain::unlockAndLookup();
}

void KeychainSession::save(const QString& pasted)
{
    SessionKeychain::save(pasted);
}

void KeychainSession::remove()
{
    SessionKeychain::remove();
}

bool KeychainSession::isFollowing()
{
    return EditorLogin::isFollowing();
}

void KeychainSession::setFollowing(bool following)
{
    EditorLogin::setFollowing(following);
}

EditorLogin::FollowOutcome KeychainSession::follow()
{
    return EditorLogin::follow();
}

EditorSession::Login KeychainSession::importFromEditor()
{
    return EditorLogin::importNow();
}

void KeychainSession::rememberRejected(const QString& token)
{
    EditorLogin::rememberRejected(token);
}
