#include "RateLimit.h"

#include "platform/Clock.h"

#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

std::optional<QDateTime> httpDate(const QString& text)
{
    // The preferred form, "Sun, 06 Nov 1994 08:49:37 GMT"; the older forms are long obsolete.
    QDateTime parsed = QLocale::c().toDateTime(text, u"ddd, dd MMM yyyy HH:mm:ss 'GMT'"_s);
    if (!parsed.isValid())
        return std::nullopt;
    parsed.setTimeZone(QTimeZone::utc());
    return parsed;
}

} // namespace

double RateLimit::waitSeconds(const QByteArray& retryAfter, Timestamp now)
{
    const QString text = QString::fromLatin1(retryAfter).trimmed();
    double wait = 0;
    if (!text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        wait = text.toDouble();
    else if (const auto date = httpDate(text))
        wait = Timestamp::fromDateTime(*date).secondsSinceReference - now.secondsSinceReference;
    if (!(wait > 0) || !std::isfinite(wait))
        return defaultWaitSeconds;
    return std::min(wait, longestWaitSeconds);
}

std::optional<Timestamp> RateLimit::stillAhead(std::optional<double> stored, Timestamp now)
{
    if (!stored || !(*stored > now.secondsSinceReference))
        return std::nullopt;
    return Timestamp{std::min(*stored, now.secondsSinceReference + longestWaitSeconds)};
}

std::optional<Timestamp> MemoryRateLimit::until() const
{
    return RateLimit::stillAhead(m_until, Clock::now());
}

Timestamp MemoryRateLimit::record(const QByteArray& retryAfter)
{
    const Timestamp now = Clock::now();
    m_until = now.secondsSinceReference + RateLimit::waitSeconds(retryAfter, now);
    return Timestamp{*m_until};
}
