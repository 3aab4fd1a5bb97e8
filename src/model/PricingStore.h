#pragma once

#include "PricingCatalog.h"

#include "platform/Timestamp.h"

#include <QString>

#include <optional>

// The stored pricing catalog, "pricing.json" in the support folder, and the day marker of the
// daily sync in the app's settings.
namespace PricingStore {

QString fileName();

// The stored catalog, or nothing when the file is missing, unreadable, undecodable or has no
// entries. A replaced file is seen on the very next call; an unchanged one is not parsed again.
std::optional<PricingCatalog> load();

// True when no sync was attempted on the local day of `now`.
bool needsSync(Timestamp now);

// Records an attempt on the local day of `now`, successful or not, and writes it out at once.
void recordAttempt(Timestamp now);

// "yyyy-MM-dd" of the local calendar day.
QString localDay(Timestamp timestamp);

// Same entries in the same order and the same discount end; when they were synced does not count.
bool hasSameRates(const PricingCatalog& a, const PricingCatalog& b);

// Replaces the stored catalog atomically; false when it did not reach the disk (an unencodable
// catalog, an unwritable folder), and then the old file stays whole.
bool save(const PricingCatalog& catalog);

// "标价已同步 5月1日" after a sync, "标价用内置表" while the built-in table is in use.
QString syncLabel();

} // namespace PricingStore
