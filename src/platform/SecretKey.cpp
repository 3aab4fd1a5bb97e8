#include "SecretKey.h"

using namespace Qt::StringLiterals;

SecretKey SecretKey::home()
{
    return {u"tallyfern.session"_s, u"account"_s, u"WorkosCursorSessionToken"_s};
}

SecretKey SecretKey::account(const QString& userId)
{
    return {u"tallyfern.account"_s, u"user"_s, userId};
}
