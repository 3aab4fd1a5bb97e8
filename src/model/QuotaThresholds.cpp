#include "QuotaThresholds.h"

namespace {

std::optional<qint64> wholeNumber(const QVariant& value)
{
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

} // namespace

bool QuotaThresholds::isValid() const
{
    return critical >= 1 && low <= 99 && critical < low;
}

QuotaThresholds QuotaThresholds::load(QSettings* settings)
{
    if (!settings)
        return {};
    const auto low = wholeNumber(settings->value(QLatin1StringView(lowKey)));
    const auto critical = wholeNumber(settings->value(QLatin1StringView(criticalKey)));
    // The pair is kept or dropped together, so a hand-edited half never breaks "critical below low".
    const QuotaThresholds stored{low.value_or(QuotaThresholds{}.low),
                                 critical.value_or(QuotaThresholds{}.critical)};
    return stored.isValid() ? stored : QuotaThresholds{};
}

bool QuotaThresholds::save(QSettings* settings) const
{
    if (!settings || !isValid())
        return false;
    settings->setValue(QLatin1StringView(lowKey), low);
    settings->setValue(QLatin1StringView(criticalKey), critical);
    settings->sync();
    return true;
}
