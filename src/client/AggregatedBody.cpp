#include "AggregatedBody.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace DashboardClient {

std::optional<AggregatedBody> aggregatedBodyFromRaw(int raw)
{
    for (const AggregatedBody body : allAggregatedBodies) {
        if (int(body) == raw)
            return body;
    }
    return std::nullopt;
}

std::optional<QString> millisecondsText(double ms)
{
    const double whole = std::trunc(ms);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!std::isfinite(whole) || whole >= 9223372036854775808.0 || whole < -9223372036854775808.0)
        return std::nullopt;
    return QString::number(qint64(whole));
}

std::optional<QJsonObject> payload(AggregatedBody body, double userId, double startMs, double endMs)
{
    const auto start = millisecondsText(startMs);
    const auto end = millisecondsText(endMs);
    if (!start || !end)
        return std::nullopt;
    QJsonObject object{{"startDate"_L1, *start}, {"endDate"_L1, *end}};
    switch (body) {
    case AggregatedBody::team0:
        object.insert("teamId"_L1, 0);
        object.insert("userId"_L1, userId);
        break;
    case AggregatedBody::teamNeg1:
        object.insert("teamId"_L1, -1);
        object.insert("userId"_L1, userId);
        break;
    case AggregatedBody::datesOnly:
        break;
    }
    return object;
}

} // namespace DashboardClient
