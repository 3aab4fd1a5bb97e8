#pragma once

#include "model/AccountPlace.h"
#include "model/UsageSnapshot.h"

// Where a refresh keeps what it fetched, for the window's next start, the status line and the
// widget, and how it tells the widget. StoredSnapshots writes the support folder; tests keep a list.
class SnapshotSink
{
public:
    virtual ~SnapshotSink() = default;

    // The stored snapshot, or the empty one.
    virtual UsageSnapshot load() = 0;
    // False when nothing readable was stored (a full disk, a folder in the file's place).
    virtual bool save(const UsageSnapshot& snapshot) = 0;
    // Asks the widget to draw again.
    virtual void nudgeWidget() = 0;
};

// The account's snapshot.json (the home account's with the app's settings entry, SnapshotStore),
// and the widget's reload marker.
class StoredSnapshots : public SnapshotSink
{
public:
    explicit StoredSnapshots(AccountPlace place = AccountPlace::homeAccount());

    UsageSnapshot load() override;
    bool save(const UsageSnapshot& snapshot) override;
    void nudgeWidget() override;

private:
    AccountPlace m_place;
};
