#include "EditorLogin.h"

#include "EditorSessionError.h"
#include "SessionKeychain.h"

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

// The stored token as the follow step sees it. Following runs on its own (timer, background run),
// so this lookup must never unlock the keyring: a locked keyring stores nothing.
struct StoredToken
{
    bool locked = false;
    std::optional<QString> token;
};

StoredToken readStoredTokenWithoutUnlocking()
{
    const SecretLookup lookup = SessionKeychain::lookup();
    if (lookup.state == SecretLookup::State::found)
        return {false, lookup.secret};
    return {lookup.state == SecretLookup::State::locked, std::nullopt};
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
    SessionKeychain::save(login.token);
    setFollowing(true);
    return login;
}

bool EditorLogin::follow()
{
    if (!isFollowing())
        return false;
    std::optional<EditorSession::Login> login;
    try {
        login = EditorSession::read();
    } catch (const EditorSessionError&) {
        // Signed out, expired or unreadable: the stored token is used as it is.
        return false;
    }
    const StoredToken stored = readStoredTokenWithoutUnlocking();
    if (stored.locked || stored.token == login->token || wasRejected(login->token))
        return false;
    try {
        SessionKeychain::save(login->token);
    } catch (...) {
        return false;
    }
    return true;
}

void EditorLogin::rememberRejected(const QString& token)
{
    const auto store = settings();
    store->setValue(QLatin1StringView(rejectedKey), fingerprint(token));
    store->sync();
}
