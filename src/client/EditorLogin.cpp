#include "EditorLogin.h"

#include "EditorSessionError.h"
#include "SessionKeychain.h"
#include "SessionKeychainError.h"

#include "platform/Preferences.h"

#include <QCryptographicHash>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString fingerprint(const QString& token)
{
    return QString::fromLatin1(QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace

bool EditorLogin::isFollowing()
{
    return Preferences::flag(Preferences::Key::editorLoginFollow);
}

void EditorLogin::setFollowing(bool following)
{
    Preferences::setValue(Preferences::Key::editorLoginFollow, following);
}

EditorSession::Login EditorLogin::current()
{
    EditorSession::Login login = EditorSession::read();
    if (isRejected(login.token))
        throw EditorSessionError(EditorSessionError::Kind::rejected);
    if (!SessionKeychain::isSendable(login.token))
        throw EditorSessionError(EditorSessionError::Kind::malformed);
    return login;
}

EditorSession::Login EditorLogin::importNow(const SecretKey& key)
{
    EditorSession::Login login = current();
    SessionKeychain::save(login.token, key);
    setFollowing(true);
    return login;
}

EditorLogin::FollowOutcome EditorLogin::follow(const SecretKey& key, const QString& accountUserId)
{
    if (!isFollowing())
        return FollowOutcome::unchanged;
    std::optional<EditorSession::Login> login;
    try {
        login = EditorSession::read();
    } catch (const EditorSessionError&) {
        // Signed out, expired or unreadable: the stored token is used as it is.
        return FollowOutcome::unchanged;
    }
    // With several accounts, each follows only a login of its own user.
    if (isRejected(login->token) || (!accountUserId.isEmpty() && login->userId != accountUserId))
        return FollowOutcome::unchanged;
    // Following runs on its own (start-up, timer, background run): looked up without unlocking, and
    // a locked keyring is never written, since that would raise its prompt.
    const SecretLookup stored = SessionKeychain::lookup(key);
    if (stored.state == SecretLookup::State::found && stored.secret == login->token)
        return FollowOutcome::unchanged;
    if (stored.state == SecretLookup::State::locked)
        return FollowOutcome::locked;
    try {
        SessionKeychain::save(login->token, key);
    } catch (const SessionKeychainError& error) {
        return error.kind() == SessionKeychainError::Kind::locked ? FollowOutcome::locked
                                                                  : FollowOutcome::unchanged;
    }
    return FollowOutcome::stored;
}

bool EditorLogin::isRejected(const QString& token)
{
    return Preferences::value(Preferences::Key::editorLoginRejected).toString() == fingerprint(token);
}

void EditorLogin::rememberRejected(const QString& token)
{
    Preferences::setValue(Preferences::Key::editorLoginRejected, fingerprint(token));
}
