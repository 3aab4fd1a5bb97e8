#include "StoredRateLimit.h"

#include "platform/Clock.h"
#include "platform/Preferences.h"

std::optional<Timestamp> StoredRateLimit::until() const
{
    bool ok = false;
    const double stored = Preferences::value(Preferences::Key::serviceBusyUntil).toDouble(&ok);
    return RateLimit::stillAhead(ok ? std::optional(stored) : std::nullopt, Clock::now());
}

Timestamp StoredRateLimit::record(const QByteArray& retryAfter)
{
    const Timestamp now = Clock::now();
    const Timestamp until{now.secondsSinceReference + RateLimit::waitSeconds(retryAfter, now)};
    Preferences::setValue(Preferences::Key::serviceBusyUntil, until.secondsSinceReference);
    return until;
}
