#include "ModelPricing.h"

#include "PricingStore.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <array>

using namespace Qt::StringLiterals;

namespace ModelPricing {

namespace {

Rate rateOf(const PricingEntry& entry)
{
    return Rate{entry.input, entry.cacheWrite, entry.cacheRead, entry.output, entry.grok46Discount};
}

struct BundledRow
{
    QLatin1StringView contains;
    bool needsFast;
    Rate rate;
};

// Plain substring tests on the lower-cased name, which is not normalised: both the dash and the
// point spellings of a version are listed.
constexpr Rate composer25Fast{3, 0, 0.5, 15, false};
constexpr Rate composer25{0.5, 0, 0.2, 2.5, false};
constexpr Rate grokFast{4, 0, 1, 12, false};
constexpr Rate grok{2, 0, 0.5, 6, false};
constexpr Rate opus{5, 6.25, 0.5, 25, false};
constexpr Rate sonnet45{3, 3.75, 0.3, 15, false};
constexpr Rate gemini31Pro{2, 0, 0.2, 12, false};

constexpr Rate discounted(Rate rate)
{
    rate.grok46Discount = true;
    return rate;
}

const std::array<BundledRow, 14> bundledTable{{
    {"composer-2.5"_L1, true, composer25Fast},
    {"composer-2.5"_L1, false, composer25},
    {"grok-4.6"_L1, true, discounted(grokFast)},
    {"grok-4.6"_L1, false, discounted(grok)},
    {"grok-4.5"_L1, true, grokFast},
    {"grok-4.5"_L1, false, grok},
    {"opus-4-8"_L1, false, opus},
    {"opus-4.8"_L1, false, opus},
    {"opus-5"_L1, false, opus},
    {"4.5-sonnet"_L1, false, sonnet45},
    {"sonnet-4.5"_L1, false, sonnet45},
    {"4-5-sonnet"_L1, false, sonnet45},
    {"sonnet-4-5"_L1, false, sonnet45},
    {"gemini-3.1-pro"_L1, false, gemini31Pro},
}};

bool neverPriced(const QString& lower)
{
    return lower.startsWith("sand-"_L1) || lower == "default"_L1;
}

} // namespace

QString normalizeUsage(const QString& name)
{
    static const QRegularExpression digitDashDigit(u"(\\d)-(\\d)"_s);
    QString key = name.toLower();
    if (key.startsWith("cursor-"_L1))
        key.remove(0, 7);
    if (key.startsWith("claude-"_L1))
        key.remove(0, 7);
    return key.replace(digitDashDigit, u"\\1.\\2"_s);
}

std::optional<PricingEntry> match(const QString& name, const PricingCatalog& catalog)
{
    const QString key = normalizeUsage(name);
    const bool wantsFast = key.contains("fast"_L1);
    const PricingEntry* best = nullptr;
    for (const PricingEntry& entry : catalog.entries) {
        if (entry.requiresFast != wantsFast || !key.contains(entry.slug))
            continue;
        // Longest slug wins; among equals the earliest, hence the strict comparison.
        if (!best || entry.slug.size() > best->slug.size())
            best = &entry;
    }
    if (!best)
        return std::nullopt;
    return *best;
}

std::optional<Rate> bundledRate(const QString& lowerCasedName)
{
    const bool fast = lowerCasedName.contains("fast"_L1);
    for (const BundledRow& row : bundledTable) {
        if (lowerCasedName.contains(row.contains) && (!row.needsFast || fast))
            return row.rate;
    }
    return std::nullopt;
}

std::optional<Rate> rate(const QString& name)
{
    const QString lower = name.toLower();
    if (neverPriced(lower))
        return std::nullopt;
    if (const auto catalog = PricingStore::load()) {
        if (const auto entry = match(name, *catalog))
            return rateOf(*entry);
    }
    return bundledRate(lower);
}

std::optional<double> estimate(const QString& name, const TokenTotals& tokens, Timestamp now)
{
    const auto found = rate(name);
    if (!found)
        return std::nullopt;
    const double perMillion = 1'000'000.0;
    double cost =
        tokens.input / perMillion * found->input + tokens.cacheWrite / perMillion * found->cacheWrite +
        tokens.cacheRead / perMillion * found->cacheRead + tokens.output / perMillion * found->output;
    if (found->grok46Discount && now < grok46DiscountEnd())
        cost *= 0.5;
    return cost;
}

Timestamp grok46DiscountEnd()
{
    if (const auto catalog = PricingStore::load(); catalog && catalog->grok46DiscountEnd)
        return *catalog->grok46DiscountEnd;
    static const Timestamp builtIn =
        Timestamp::fromDateTime(QDateTime(QDate(2026, 8, 20), QTime(0, 0), QTimeZone::utc()));
    return builtIn;
}

} // namespace ModelPricing
