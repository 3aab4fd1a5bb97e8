#include "Timestamp.h"

#include <QDate>
#include <QTimeZone>

#include <cmath>

namespace {

// About ±200,000 years: comfortably inside what QDateTime handles, and far beyond any real date.
constexpr double maxRepresentableSeconds = 6.3e12;

constexpr qint64 referenceJulianDay = 2451911; // 2001-01-01

// Reads exactly `count` ASCII digits at `pos`; -1 when any of them is not a digit.
int readDigits(QStringView text, qsizetype pos, int count)
{
    if (pos + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const QChar c = text[pos + i];
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

Timestamp Timestamp::fromDateTime(const QDateTime& dateTime)
{
    return fromMsSince1970(double(dateTime.toMSecsSinceEpoch()));
}

QDateTime Timestamp::toDateTime() const
{
    if (!std::isfinite(secondsSinceReference) || std::fabs(secondsSinceReference) > maxRepresentableSeconds)
        return {};
    const auto ms = qint64(std::floor(msSince1970()));
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
}

std::optional<Timestamp> Timestamp::parseInternetDateTime(QStringView text)
{
    // yyyy-MM-ddTHH:mm:ss is 19 characters; the zone needs at least one more.
    if (text.size() < 20)
        return std::nullopt;
    const int year = readDigits(text, 0, 4);
    const int month = readDigits(text, 5, 2);
    const int day = readDigits(text, 8, 2);
    const int hour = readDigits(text, 11, 2);
    const int minute = readDigits(text, 14, 2);
    const int second = readDigits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    if (text[4] != u'-' || text[7] != u'-' || text[10] != u'T' || text[13] != u':' || text[16] != u':')
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;

    qsizetype pos = 19;
    double fraction = 0;
    if (text[pos] == u'.') {
        ++pos;
        double scale = 0.1;
        const qsizetype first = pos;
        while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
            fraction += scale * (text[pos].unicode() - u'0');
            scale /= 10;
            ++pos;
        }
        if (pos == first)
            return std::nullopt;
    }
    if (pos >= text.size())
        return std::nullopt;

    int offsetSeconds = 0;
    if (text[pos] == u'Z') {
        ++pos;
    } else if (text[pos] == u'+' || text[pos] == u'-') {
        const int sign = text[pos] == u'+' ? 1 : -1;
        const int offHours = readDigits(text, pos + 1, 2);
        const int offMinutes = readDigits(text, pos + 4, 2);
        if (offHours < 0 || offMinutes < 0 || text[pos + 3] != u':' || offHours > 23 || offMinutes > 59)
            return std::nullopt;
        offsetSeconds = sign * (offHours * 3600 + offMinutes * 60);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    const double days = double(date.toJulianDay() - referenceJulianDay);
    const double seconds = days * 86400.0 + hour * 3600.0 + minute * 60.0 + second - offsetSeconds;
    return Timestamp{seconds + fraction};
}

QString Timestamp::toInternetDateTime() const
{
    const QDateTime utc = toDateTime();
    if (!utc.isValid())
        return {};
    return utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}
