#include "CycleSpan.h"

#include "UsageJSON.h"

#include <algorithm>

#include <QDateTime>
#include <QTimeZone>

namespace {

constexpr qint64 dayMs = 86'400'000;

qint64 utcDayStart(qint64 ms)
{
    return ms - ((ms % dayMs) + dayMs) % dayMs;
}

std::optional<qint64> boundMs(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    const std::optional<double> ms = UsageJSON::toMs(QJsonValue(text));
    if (!ms)
        return std::nullopt;
    return UsageJSON::rounded(*ms);
}

} // namespace

CycleSpan CycleSpan::current(const UsageSnapshot& snapshot, Timestamp now)
{
    const auto start = boundMs(snapshot.billingCycleStart);
    const auto end = boundMs(snapshot.billingCycleEnd);
    // Bounds further apart than two months are no billing cycle of this service.
    if (start && end && *start < *end && *end - *start <= 62 * dayMs)
        return CycleSpan{*start, *end};

    const QDate today = QDateTime::fromMSecsSinceEpoch(qint64(now.msSince1970())).date();
    const QDate first(today.year(), today.month(), 1);
    return CycleSpan{first.startOfDay().toMSecsSinceEpoch(),
                     first.addMonths(1).startOfDay().toMSecsSinceEpoch()};
}

CycleSpan CycleSpan::previous() const
{
    // A local calendar month (the fallback) steps back in local time: a month before 1 December
    // 00:00 in Shanghai is 1 November 00:00 there. The service's cycles step back in UTC.
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(startMs);
    const bool calendarMonth = local.date().day() == 1 && local.date().startOfDay() == local;
    const QDateTime start = calendarMonth ? local : QDateTime::fromMSecsSinceEpoch(startMs, QTimeZone::utc());
    return CycleSpan{start.addMonths(-1).toMSecsSinceEpoch(), startMs};
}

QList<CycleSpan::Window> CycleSpan::windows(qint64 nowMs) const
{
    QList<Window> result;
    for (qint64 day = utcDayStart(startMs); day < endMs && day < nowMs; day += dayMs) {
        const qint64 from = std::max(day, startMs);
        if (from < nowMs)
            result.append(Window{from, std::min(day + dayMs, endMs)});
    }
    return result;
}
