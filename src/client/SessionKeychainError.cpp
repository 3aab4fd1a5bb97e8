#include "SessionKeychainError.h"

using namespace Qt::StringLiterals;

QString SessionKeychainError::description() const
{
    switch (m_kind) {
    case Kind::empty:
        return u"请粘贴 Cookie"_s;
    case Kind::saveFailed:
        return u"无法写入本机钥匙串"_s;
    case Kind::locked:
        return u"钥匙串已锁定"_s;
    case Kind::listChanged:
        return u"账号列表已改变，请重试"_s;
    }
    return {};
}

const char* SessionKeychainError::what() const noexcept
{
    switch (m_kind) {
    case Kind::empty:
        return "SessionKeychainError: empty";
    case Kind::saveFailed:
        return "SessionKeychainError: saveFailed";
    case Kind::locked:
        return "SessionKeychainError: locked";
    case Kind::listChanged:
        return "SessionKeychainError: listChanged";
    }
    return "SessionKeychainError";
}
