#pragma once

#include "AccountPlace.h"
#include "UsageSnapshot.h"

#include "platform/Preferences.h"

#include <QString>

#include <optional>

// Keeps the last snapshot between runs and hands it from the app to the widget: "snapshot.json"
// in the support folder (the authority) and the settings entry "usageSnapshot" (the fallback).
namespace SnapshotStore {

QString supportFolder();
QString fileName();

// The file first, then the settings entry `fallback` (the app's; the widget keeps its own), then
// the empty snapshot. A stored snapshot without real data counts as nothing stored. Never fails.
UsageSnapshot load(std::optional<Preferences::Key> fallback = Preferences::Key::usageSnapshot);

// The home account's (of generation 0, as an install with one account has): saveTo() below.
bool save(const UsageSnapshot& snapshot);

// One account's: the home account's as above; another's from its own folder, without a settings
// entry.
UsageSnapshot loadFrom(const AccountPlace& place);
// The home account's: the settings entry first, then the file, written atomically; another's: the
// file in its folder, which must exist. Only while the place is still the account's (PlaceGuard). A
// failed write leaves the previous file whole; a snapshot that cannot be encoded writes nothing.
// True when the file was written: what the widget and the next start will read.
bool saveTo(const AccountPlace& place, const UsageSnapshot& snapshot);

} // namespace SnapshotStore
