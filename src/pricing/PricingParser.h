#pragma once

#include "model/PricingCatalog.h"
#include "model/PricingEntry.h"

#include "platform/Timestamp.h"

#include <QString>

#include <optional>

// Reads the service's public Markdown pricing document into a catalog. Pure: no I/O, no state.
namespace PricingParser {

// One entry per usable row of every pricing table, in document order; nothing when no row is
// usable. `syncedAt` is `now`.
std::optional<PricingCatalog> parse(const QString& text, Timestamp now);

// The building blocks of `parse`, exposed for tests.

// One table line: cells are the non-empty pieces between "|", so a blank cell shifts the ones
// after it. Needs a name, an input and an output price.
std::optional<PricingEntry> parseRow(const QString& line);

// One price cell: its digits and points as a decimal number ("$3.00" is 3); nothing for "-", "—",
// text without digits, or two points.
std::optional<double> money(const QString& cell);

struct ModelSlug
{
    QString slug;
    bool fast = false;

    bool operator==(const ModelSlug&) const = default;
};

// "Claude 4.5 Sonnet" is "4.5-sonnet"; "Grok 4.6 Fast" is "grok-4.6", fast.
ModelSlug slug(const QString& from);

// The end of the launch discount announced as "one week starting <Month> <day>, <year>": that
// day's midnight UTC plus eight days. Full English month names only.
std::optional<Timestamp> parseGrokEnd(const QString& from);

} // namespace PricingParser
