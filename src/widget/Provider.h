#pragma once

#include "Timeline.h"
#include "UsageEntry.h"

// Builds the widget's timeline from what the app stored. Keeps nothing between calls: every call
// reads the store again. Never talks to the service and never reads the secret store.
class Provider
{
public:
    // Seconds from one timeline to the next when nobody nudges the widget sooner.
    static constexpr double reloadInterval = 300;

    // The sample snapshot, read from nowhere.
    UsageEntry placeholder() const;

    // The stored snapshot now (the empty snapshot when nothing real is stored).
    UsageEntry snapshot() const;

    // That one entry, and a reload five minutes later.
    Timeline timeline() const;
};
