#pragma once

#include <QtGlobal>

#include <optional>

// How far the sync of one window has come. Complete once every page arrived; final once it was
// fetched whole at least a day after it ended, for the service still adds events to a day that
// long after it is over.
struct LedgerWindow
{
    static constexpr qint64 lateEventsMs = 86'400'000;

    qint64 startMs = 0;
    qint64 endMs = 0;
    int nextPage = 1;               // the page to ask for next
    std::optional<qint64> expected; // the service's event count when page 1 arrived
    qint64 received = 0;            // events in the pages stored since page 1
    bool complete = false;
    std::optional<qint64> fetchedMs; // when page 1 was last asked for; unknown in older ledgers

    bool operator==(const LedgerWindow&) const = default;

    bool isFinal() const { return complete && fetchedMs && *fetchedMs >= endMs + lateEventsMs; }
};
