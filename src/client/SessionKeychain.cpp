#include "SessionKeychain.h"

#include "SessionKeychainError.h"

#include "platform/SecretStore.h"

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

void SessionKeychain::save(const QString& pasted)
{
    const QString token = normalize(pasted);
    if (token.isEmpty())
        throw SessionKeychainError(SessionKeychainError::Kind::empty);
    // Written in place of the earlier token: it is never removed first, so a refused write leaves the
    // user still signed in with the old cookie instead of with none.
    if (!SecretStore::current().write(token))
        throw SessionKeychainError(SessionKeychainError::Kind::saveFailed);
}

std::optional<QString> SessionKeychain::read()
{
    const std::optional<QString> stored = SecretStore::current().read();
    if (!stored)
        return std::nullopt;
    QString token = stored->trimmed();
    if (token.isEmpty())
        return std::nullopt;
    return token;
}

void SessionKeychain::remove()
{
    SecretStore::current().remove();
}
