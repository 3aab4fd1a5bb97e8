#include "SessionAccess.h"

#include "AccountRegistry.h"

#include "client/SessionKeychain.h"

KeychainSession::KeychainSession(AccountPlace place)
    : m_place(std::move(place))
{}

SecretLookup KeychainSession::lookup()
{
    const SecretLookup stored = SessionKeychain::lookup(m_place.secretKey());
    if (stored.state == SecretLookup::State::found && EditorLogin::isRejected(stored.secret))
        return {};
    return stored;
}

bool KeychainSession::needsUnlock()
{
    return SessionKeychain::needsUnlock(m_place.secretKey());
}

QCoro::Task<SecretLookup> KeychainSession::unlockAndLookup()
{
    const SecretKey key = m_place.secretKey();
    SecretLookup found = co_await SessionKeychain::unlockAndLookup(key);
    if (found.state == SecretLookup::State::found && EditorLogin::isRejected(found.secret))
        co_return SecretLookup{};
    co_return found;
}

void KeychainSession::save(const QString& pasted, const QString& owner)
{
    AccountRegistry::store(AccountRegistry::Arrival::paste, m_place, pasted, owner);
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
    return AccountRegistry::ownsEditorLogin(m_place);
}

EditorLogin::FollowOutcome KeychainSession::follow()
{
    return AccountRegistry::follow(m_place);
}

EditorSession::Login KeychainSession::importFromEditor()
{
    return AccountRegistry::importInto(m_place);
}

void KeychainSession::rememberRejected(const QString& token)
{
    EditorLogin::rememberRejected(token);
}
