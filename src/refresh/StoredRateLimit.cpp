#include "StoredRateLimit.h"

#include "model/PlaceGuard.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Preferences.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

StoredRateLimit::StoredRateLimit(AccountPlace place)
    : m_place(std::move(place))
{}

std::optional<double> StoredRateLimit::stored() const
{
    bool ok = false;
    double until = 0;
    if (m_place.home) {
        until = Preferences::value(Preferences::Key::serviceBusyUntil).toDouble(&ok);
    } else if (QFile file(m_place.rateLimitFile()); file.open(QIODevice::ReadOnly)) {
        const QJsonValue value = QJsonDocument::fromJson(file.readAll()).object().value("until"_L1);
        ok = value.isDouble();
        until = value.toDouble();
    }
    return ok ? std::optional(until) : std::nullopt;
}

std::optional<Timestamp> StoredRateLimit::until() const
{
    return RateLimit::stillAhead(stored(), Clock::now());
}

Timestamp StoredRateLimit::record(const QByteArray& retryAfter)
{
    const Timestamp now = Clock::now();
    const Timestamp until{now.secondsSinceReference + RateLimit::waitSeconds(retryAfter, now)};
    // Only while the place is still the account's: a removed account's wait would outlive it.
    PlaceGuard::write(m_place, [&] {
        if (m_place.home)
            return Preferences::setValue(Preferences::Key::serviceBusyUntil, until.secondsSinceReference);
        const QJsonObject object{{u"until"_s, until.secondsSinceReference}};
        return AtomicFile::write(m_place.rateLimitFile(),
                                 QJsonDocument(object).toJson(QJsonDocument::Compact));
    });
    return until;
}
