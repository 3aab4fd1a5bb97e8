#pragma once

#include "PricingCatalog.h"

#include <QString>

#include <optional>

// The stored pricing catalog, "pricing.json" in the support folder.
namespace PricingStore {

QString fileName();

// The stored catalog, or nothing when the file is missing, unreadable, undecodable or has no
// entries. A replaced file is seen on the very next call; an unchanged one is not parsed again.
std::optional<PricingCatalog> load();

} // namespace PricingStore
