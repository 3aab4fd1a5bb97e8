#include "QuotaThresholds.h"

#include "platform/Preferences.h"

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

QuotaThresholds QuotaThresholds::load()
{
    const auto low = wholeNumber(Preferences::value(Preferences::Key::quotaLowThreshold));
    const auto critical = wholeNumber(Preferences::value(Preferences::Key::quotaCriticalThreshold));
    // The pair is kept or dropped together, so a hand-edited half never breaks "critical below low".
    const QuotaThresholds stored{low.value_or(QuotaThresholds{}.low),
                                 critical.value_or(QuotaThresholds{}.critical)};
    return stored.isValid() ? stored : QuotaThresholds{};
}

bool QuotaThresholds::save() const
{
    if (!isValid())
        return false;
    Preferences::setValues(
        {{Preferences::Key::quotaLowThreshold, low}, {Preferences::Key::quotaCriticalThreshold, critical}});
    return true;
}
