// The daily series of tokens per model, by UTC day.
#include "UsageParser.h"

#include "model/UsageJSON.h"

#include <map>

using namespace Qt::StringLiterals;

namespace UsageParser {

QList<DayUsage> daysFromEvents(const Events& events)
{
    // Ordered by day text, which is date order for "yyyy-MM-dd".
    std::map<QString, QMap<QString, double>> byDay;
    for (const QJsonObject& event : events) {
        auto ms = UsageJSON::toMs(event.value("timestamp"_L1));
        if (!ms)
            ms = UsageJSON::toMs(event.value("eventDate"_L1));
        if (!ms)
            continue;
        const QString day = UsageJSON::utcDay(Timestamp::fromMsSince1970(*ms));
        // A time too far out to have a calendar day cannot be placed in the series.
        if (day.isEmpty())
            continue;
        const QString model =
            UsageJSON::string(event.value("model"_L1))
                .value_or(UsageJSON::string(event.value("modelIntent"_L1)).value_or(u"unknown"_s));
        byDay[day][model] += UsageJSON::tokens(event).total;
    }

    QList<DayUsage> days;
    days.reserve(qsizetype(byDay.size()));
    for (auto& [date, models] : byDay)
        days.append(DayUsage{date, models});
    return days;
}

} // namespace UsageParser
