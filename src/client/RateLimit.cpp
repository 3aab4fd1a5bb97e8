#include "RateLimit.h"

#include "platform/Clock.h"
#include "platform/Settings.h"

#include <QLocale>

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
    parsed.setTimeSpec(Qt::UTC);
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

Timestamp RateLimit::record(const QByteArray& retryAfter)
{
    const Timestamp now = Clock::now();
    const Timestamp until{now.secondsSinceReference + waitSeconds(retryAfter, now)};
    const auto settings = Settings::open(QLatin1StringView(Settings::appDomain));
    settings->setValue(QLatin1StringView(untilKey), until.secondsSinceReference);
    settings->sync();
    return until;
}

std::optional<Timestamp> RateLimit::until()
{
    const auto settings = Settings::open(QLatin1StringView(Settings::appDomain));
    bool ok = false;
    const double stored = settings->value(QLatin1StringView(untilKey)).toDouble(&ok);
    const Timestamp now = Clock::now();
    if (!ok || !(stored > now.secondsSinceReference))
        return std::nullopt;
    // A clock set back must not hold the service off for longer than any answer could ask.
    return Timestamp{std::min(stored, now.secondsSinceReference + longestWaitSeconds)};
}
