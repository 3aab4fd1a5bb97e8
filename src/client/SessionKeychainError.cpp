#include "SessionKeychainError.h"

using namespace Qt::StringLiterals;

QString SessionKeychainError::description() const
{
    switch (m_kind) {
    case Kind::empty:
        return u"请粘贴 Cookie"_s;
    case Kind::saveFailed:
        return u"无法写入本机钥匙串"_s;
    }
    return {};
}

const char* SessionKeychainError::what() const noexcept
{
    return m_kind == Kind::empty ? "SessionKeychainError: empty" : "SessionKeychainError: saveFailed";
}
