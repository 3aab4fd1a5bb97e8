#pragma once

#include <QJsonObject>

#include <array>
#include <optional>

namespace DashboardClient {

// The request bodies the aggregated-usage endpoint has been seen to accept, tried in turn until one
// gives a usable answer. The raw values are stable.
enum class AggregatedBody : int {
    team0 = 0,     // "teamId": 0 with the user id
    teamNeg1 = 1,  // "teamId": -1 with the user id
    datesOnly = 2, // the window alone
};

inline constexpr std::array<AggregatedBody, 3> allAggregatedBodies{
    AggregatedBody::team0, AggregatedBody::teamNeg1, AggregatedBody::datesOnly};

std::optional<AggregatedBody> aggregatedBodyFromRaw(int raw);

// The body of one variant. The window travels as decimal millisecond strings truncated toward zero;
// nothing when a bound is not finite or does not fit in 64 bits (only an absurd date from the service
// gets there), and such a window is not asked for at all.
std::optional<QJsonObject> payload(AggregatedBody body, double userId, double startMs, double endMs);

// "1746057600000" for 1746057600000.9; nothing when not finite or beyond 64 bits.
std::optional<QString> millisecondsText(double ms);

} // namespace DashboardClient
