#pragma once

#include "model/UsageSnapshot.h"
#include "platform/Timestamp.h"

// One entry of the widget's timeline: the usage to show from `date` on.
struct UsageEntry
{
    Timestamp date;
    UsageSnapshot snapshot;

    bool operator==(const UsageEntry&) const = default;
};
