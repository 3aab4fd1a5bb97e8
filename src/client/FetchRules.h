#pragma once

#include "AggregatedBody.h"

#include <QList>

#include <optional>

// The decisions of the fetch sequence that need no network: which windows to ask for, in which
// order to try the request bodies, when to stop paging. Pure, so they are tested as tables.
namespace DashboardClient::FetchRules {

struct Window
{
    double startMs = 0;
    double endMs = 0;

    bool operator==(const Window&) const = default;
};

// The overview's aggregated windows: the calendar month's, then the billing cycle's when the cycle
// does not start with the month (twelve hours either way still count as "with"). Without cycle
// bounds, the month stands for the cycle. A cycle that ends before now is asked up to now.
QList<Window> aggregatedWindows(std::optional<double> cycleStartMs, std::optional<double> cycleEndMs,
                                double monthStartMs, double nowMs);

// The aggregated bodies in the order to try them: the one that last gave usage first.
QList<AggregatedBody> aggregatedOrder(AggregatedBody preferred);

// After a page: whether to ask for the next one. No when the page added nothing, or once the events
// gathered reach `expected`: the count the service gave, or without one, the earlier events and
// every entry this page listed.
bool wantsNextPage(qsizetype gatheredBefore, qsizetype gatheredAfter, qint64 expected);

// Whether today's events need a window of their own, or the cycle's events already hold them (a
// cycle that began within twelve hours of today's start).
bool todayNeedsOwnWindow(double cycleStartMs, double todayStartMs);

} // namespace DashboardClient::FetchRules
