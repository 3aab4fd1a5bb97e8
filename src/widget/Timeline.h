#pragma once

#include "UsageEntry.h"

#include <QList>

// What the provider hands the host: the entries to show, and when to ask for the next timeline.
struct Timeline
{
    QList<UsageEntry> entries;
    Timestamp reloadAfter;

    bool operator==(const Timeline&) const = default;
};
