#include "HomeRecord.h"

#include "platform/Preferences.h"

using Preferences::Key;

HomeRecord HomeRecord::read()
{
    HomeRecord record;
    if (Preferences::contains(Key::homeUserId))
        record.userId = Preferences::value(Key::homeUserId).toString();
    record.email = Preferences::value(Key::homeEmail).toString();
    record.generation = Preferences::value(Key::homeGeneration).toLongLong();
    return record;
}

bool HomeRecord::write(const AccountsLock&) const
{
    const HomeRecord stored = read();
    if (stored == *this)
        return true;
    return Preferences::setValues(
        {{Key::homeUserId, userId ? QVariant(*userId) : QVariant()},
         {Key::homeEmail, email.isEmpty() ? QVariant() : QVariant(email)},
         {Key::homeGeneration, generation == 0 ? QVariant() : QVariant(generation)}});
}
