#pragma once

#include "UsageSnapshot.h"
#include "platform/Timestamp.h"

#include <QList>

// A billing cycle as a span of milliseconds since 1970, [startMs, endMs).
struct CycleSpan
{
    // One UTC day of a cycle, cut to the cycle's ends: the unit the ledger syncs.
    struct Window
    {
        qint64 startMs = 0;
        qint64 endMs = 0;
        bool operator==(const Window&) const = default;
    };

    qint64 startMs = 0;
    qint64 endMs = 0;

    bool operator==(const CycleSpan&) const = default;

    // The snapshot's cycle; the local calendar month around `now` when it gives no usable bounds.
    static CycleSpan current(const UsageSnapshot& snapshot, Timestamp now);
    // The same span one calendar month earlier, ending where this one starts so no day falls between:
    // the local month before when this one starts at a local month's first midnight, else a month
    // earlier in UTC.
    CycleSpan previous() const;

    // The windows that have begun by `nowMs`, oldest first.
    QList<Window> windows(qint64 nowMs) const;
};
