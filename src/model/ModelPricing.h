#pragma once

#include "PricingCatalog.h"
#include "TokenTotals.h"

#include "platform/Timestamp.h"

#include <QString>

#include <optional>

// List prices of models: the stored catalog first, then a small built-in table.
namespace ModelPricing {

// US dollars per one million tokens.
struct Rate
{
    double input = 0;
    double cacheWrite = 0;
    double cacheRead = 0;
    double output = 0;
    bool grok46Discount = false;

    bool operator==(const Rate&) const = default;
};

// Nothing for "sand-" names and "default", which are never priced, and for unknown models.
std::optional<Rate> rate(const QString& name);

// What the tokens would cost at list price, halved for discounted models before the discount end.
std::optional<double> estimate(const QString& name, const TokenTotals& tokens, Timestamp now);

// From the stored catalog when it has one, else 2026-08-20T00:00:00Z.
Timestamp grok46DiscountEnd();

// The building blocks of `rate`, exposed for tests.
QString normalizeUsage(const QString& name);
std::optional<PricingEntry> match(const QString& name, const PricingCatalog& catalog);
std::optional<Rate> bundledRate(const QString& lowerCasedName);

} // namespace ModelPricing
