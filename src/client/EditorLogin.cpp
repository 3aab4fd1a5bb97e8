#include "EditorLogin.h"

#include "EditorSessionError.h"
#include "SessionKeychain.h"
#include "SessionKeychainError.h"

#include "platform/Settings.h"

#include <QCryptographicHash>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<QSettings> settings()
{
    return Settings::open(QLatin1StringView(Settings::appDomain));
}

QString fingerprint(const QString& token)
{
    return QString::fromLatin1(QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

bool wasRejected(const QString& token)
{
    return settings()->value(QLatin1StringView(EditorLogin::rejectedKey)).toString() == fingerprint(token);
}

} // namespace

bool EditorLogin::isFollowing()
{
    return settings()->value(QLatin1StringView(followKey), false).toBool();
}

void EditorLogin::setFollowing(bool following)
{
    const auto store = settings();
    store->setValue(QLatin1StringView(followKey), following);
    store->sync();
}

EditorSession::Login EditorLogin::importNow()
{
    EditorSession::Login login = EditorSession::read();
    if (wasRejected(login.token))
        throw EditorSessionError(EditorSessionError::Kind::rejected);
    if (!SessionKeychain::isSendable(login.token))
        throw EditorSessionError(EditorSessionError::Kind::malformed);
    SessionKeychain::save(login.token);
    setFollowing(true);
    return login;
}

EditorLogin::FollowOutcome EditorLogin::follow()
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
    if (wasRejected(login->token))
        return FollowOutcome::unchanged;
    // Following runs on its own (start-up, timer, background run): looked up without unlocking, and
    // a locked keyring is never written, since that would raise its prompt.
    const SecretLookup stored = SessionKeychain::lookup();
    if (stored.state == SecretLookup::State::found && stored.secret == login->token)
        return FollowOutcome::unchanged;
    if (stored.state == SecretLookup::State::locked)
        return FollowOutcome::locked;
    try {
        SessionKeychain::save(login->token);
    } catch (const SessionKeychainError& error) {
        return error.kind() == SessionKeychainError::Kind::locked ? FollowOutcome::locked
                                                                  : FollowOutcome::unchanged;
    }
    return FollowOutcome::stored;
}

void EditorLogin::rememberRejected(const QString& token)
{
    const auto store = settings();
    store->setValue(QLatin1StringView(rejectedKey), fingerprint(token));
    store->sync();
}
