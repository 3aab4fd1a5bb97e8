#pragma once

#include <QtGlobal>

#include <optional>

// How far the sync of one window has come. Complete once every page arrived.
struct LedgerWindow
{
    qint64 startMs = 0;
    qint64 endMs = 0;
    int nextPage = 1;               // the page to ask for next
    std::optional<qint64> expected; // the service's event count when page 1 arrived
    qint64 received = 0;            // events in the pages stored since page 1
    bool complete = false;

    bool operator==(const LedgerWindow&) const = default;
};
