#include "FetchRules.h"

#include <algorithm>
#include <cmath>

namespace DashboardClient::FetchRules {

namespace {

// Twelve hours: a billing cycle that starts this close to a calendar boundary starts "on" it.
constexpr double boundarySlackMs = 43'200'000.0;

} // namespace

QList<Window> aggregatedWindows(std::optional<double> cycleStartMs, std::optional<double> cycleEndMs,
                                double monthStartMs, double nowMs)
{
    QList<Window> windows{{monthStartMs, nowMs}};
    const double cycleStart = cycleStartMs.value_or(monthStartMs);
    if (std::fabs(cycleStart - monthStartMs) > boundarySlackMs)
        windows.append({cycleStart, std::max(cycleEndMs.value_or(nowMs), nowMs)});
    return windows;
}

QList<AggregatedBody> aggregatedOrder(AggregatedBody preferred)
{
    QList<AggregatedBody> order{preferred};
    for (const AggregatedBody body : allAggregatedBodies) {
        if (body != preferred)
            order.append(body);
    }
    return order;
}

bool wantsNextPage(qsizetype gatheredBefore, qsizetype gatheredAfter, qint64 expected)
{
    return gatheredAfter > gatheredBefore && gatheredAfter < expected;
}

bool todayNeedsOwnWindow(double cycleStartMs, double todayStartMs)
{
    return std::fabs(cycleStartMs - todayStartMs) >= boundarySlackMs;
}

} // namespace DashboardClient::FetchRules
