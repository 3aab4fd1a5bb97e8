#include "OnDemandAmount.h"

#include "platform/Preferences.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

bool inRange(qint64 amount)
{
    return amount >= OnDemandAmount::minimum && amount <= OnDemandAmount::maximum;
}

} // namespace

std::optional<qint64> OnDemandAmount::parse(const QString& text)
{
    // Digits only: no sign, no fraction, no "1e3", no thousands separator.
    static const QRegularExpression digits(u"\\A[0-9]{1,6}\\z"_s);
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    const qint64 amount = trimmed.toLongLong();
    return inRange(amount) ? std::optional(amount) : std::nullopt;
}

std::optional<qint64> OnDemandAmount::load()
{
    const QVariant stored = Preferences::value(Preferences::Key::onDemandNoticeAmount);
    return stored.isValid() ? parse(stored.toString()) : std::nullopt;
}

bool OnDemandAmount::save(std::optional<qint64> amount)
{
    if (!amount)
        return Preferences::remove(Preferences::Key::onDemandNoticeAmount);
    return inRange(*amount) && Preferences::setValue(Preferences::Key::onDemandNoticeAmount, *amount);
}
