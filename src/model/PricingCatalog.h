#pragma once

#include "PricingEntry.h"

#include "platform/Timestamp.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The pricing table as parsed from the service's document, stored as "pricing.json".
struct PricingCatalog
{
    Timestamp syncedAt;
    std::optional<Timestamp> grok46DiscountEnd; // end of the half-price launch discount, when found
    QList<PricingEntry> entries;                // in document order

    bool operator==(const PricingCatalog&) const = default;

    // `syncedAt` and `entries` are required; `grok46DiscountEnd` is left out when absent.
    static std::optional<PricingCatalog> decode(const QByteArray& json);
    std::optional<QByteArray> encode() const; // fails only for a price that is not finite
};
