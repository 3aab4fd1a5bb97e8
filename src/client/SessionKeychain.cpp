#include "SessionKeychain.h"

#include "SessionKeychainError.h"

#include "platform/SecretStore.h"

#include <algorithm>
#include <coroutine>

using namespace Qt::StringLiterals;

namespace {

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return false;
    }
}

SecretLookup trimmed(SecretLookup stored)
{
    if (stored.state != SecretLookup::State::found)
        return stored;
    QString token = stored.secret.trimmed();
    if (token.isEmpty())
        return {};
    return {SecretLookup::State::found, std::move(token)};
}

// Suspends the awaiting coroutine until the store's unlock answers (always from the event loop,
// never inside the call).
struct UnlockAwaiter
{
    SecretKey key;
    SecretLookup result;

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting)
    {
        SecretStore::current().unlockAndLookup(key, [this, waiting](SecretLookup answer) {
            result = std::move(answer);
            waiting.resume();
        });
    }
    SecretLookup await_resume() { return std::move(result); }
};

} // namespace

QString SessionKeychain::normalize(const QString& pasted)
{
    static const auto cookieName = "WorkosCursorSessionToken="_L1;
    QString value = pasted.trimmed();
    const qsizetype found = value.indexOf(cookieName, 0, Qt::CaseInsensitive);
    if (found >= 0) {
        // The value ends at the next cookie or at the end of the line it started on.
        const qsizetype start = found + cookieName.size();
        qsizetype end = start;
        while (end < value.size() && value[end] != u';' && !isLineBreak(value[end]))
            ++end;
        value = value.mid(start, end - start);
    }
    value = value.trimmed();
    value.replace("%3A%3A"_L1, "::"_L1);
    return value;
}

bool SessionKeychain::isSendable(const QString& token)
{
    return std::none_of(token.begin(), token.end(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

void SessionKeychain::save(const QString& pasted, const SecretKey& key)
{
    const QString token = normalize(pasted);
    if (token.isEmpty() || !isSendable(token))
        throw SessionKeychainError(SessionKeychainError::Kind::empty);
    if (SecretStore::current().isLocked())
        throw SessionKeychainError(SessionKeychainError::Kind::locked);
    // Written in place of the earlier token: it is never removed first, so a refused write leaves the
    // user still signed in with the old cookie instead of with none.
    if (!SecretStore::current().write(key, token))
        throw SessionKeychainError(SessionKeychainError::Kind::saveFailed);
}

bool SessionKeychain::isLocked()
{
    return SecretStore::current().isLocked();
}

bool SessionKeychain::needsUnlock(const SecretKey& key)
{
    return lookup(key).state == SecretLookup::State::locked || isLocked();
}

SecretLookup SessionKeychain::lookup(const SecretKey& key)
{
    return trimmed(SecretStore::current().lookup(key));
}

QCoro::Task<SecretLookup> SessionKeychain::unlockAndLookup(SecretKey key)
{
    UnlockAwaiter unlock{std::move(key), {}};
    SecretLookup found = co_await unlock;
    co_return trimmed(std::move(found));
}

std::optional<QString> SessionKeychain::read(const SecretKey& key)
{
    SecretLookup stored = lookup(key);
    if (stored.state != SecretLookup::State::found)
        return std::nullopt;
    return std::move(stored.secret);
}

void SessionKeychain::remove(const SecretKey& key)
{
    SecretStore::current().remove(key);
}
