#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <compare>
#include <optional>

// A point in time as double seconds since 2001-01-01T00:00:00Z, the form the stored records use, so
// that a written and re-read value compares equal to the original.
struct Timestamp
{
    double secondsSinceReference = 0;

    // Seconds from 1970-01-01T00:00:00Z to 2001-01-01T00:00:00Z.
    static constexpr double referenceOffsetFrom1970 = 978307200.0;

    static constexpr Timestamp fromSecondsSince1970(double seconds)
    {
        return Timestamp{seconds - referenceOffsetFrom1970};
    }
    static constexpr Timestamp fromMsSince1970(double ms) { return fromSecondsSince1970(ms / 1000.0); }
    static Timestamp fromDateTime(const QDateTime& dateTime);

    // 0001-01-01T00:00:00Z (Julian calendar, as the stored files have always written it): earlier
    // than any real date, never shown.
    static constexpr Timestamp distantPast() { return Timestamp{-63114076800.0}; }

    constexpr double secondsSince1970() const { return secondsSinceReference + referenceOffsetFrom1970; }
    constexpr double msSince1970() const { return secondsSince1970() * 1000.0; }

    // Invalid when the value is not finite or lies beyond the dates Qt can represent.
    QDateTime toDateTime() const;

    // Strict internet date-time: yyyy-MM-ddTHH:mm:ss, an optional fraction, then Z or ±hh:mm.
    // A bare date or any other ISO 8601 variant gives no value.
    static std::optional<Timestamp> parseInternetDateTime(QStringView text);

    // UTC, whole seconds, "Z" suffix (2025-05-01T00:00:00Z); empty when not representable.
    QString toInternetDateTime() const;

    constexpr auto operator<=>(const Timestamp&) const = default;
};
