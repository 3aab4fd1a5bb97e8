#include "UsageJSON.h"

#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace UsageJSON {

std::optional<double> number(const QJsonValue& value)
{
    if (value.isBool())
        return value.toBool() ? 1.0 : 0.0;
    if (value.isDouble())
        return value.toDouble();
    if (!value.isString())
        return std::nullopt;

    // Everything but ASCII digits, dots and minus signs goes ("1,234 tokens" is 1234), in one
    // pass: a long text field must not stall a refresh.
    QByteArray kept;
    for (const QChar c : value.toString()) {
        const char16_t code = c.unicode();
        if ((code >= u'0' && code <= u'9') || code == u'.' || code == u'-')
            kept.append(char(code));
    }
    if (kept.isEmpty())
        return std::nullopt;
    double parsed = 0;
    const char* begin = kept.constData();
    const char* end = begin + kept.size();
    const auto [ptr, error] = std::from_chars(begin, end, parsed);
    if (error != std::errc() || ptr != end)
        return std::nullopt;
    return parsed;
}

std::optional<QString> string(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    QString text = value.toString();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<double> toMs(const QJsonValue& value)
{
    if (const auto n = number(value); n && *n > 0)
        return *n < 1e12 ? *n * 1000.0 : *n;
    if (value.isString()) {
        if (const auto parsed = Timestamp::parseInternetDateTime(value.toString()))
            return parsed->msSince1970();
    }
    return std::nullopt;
}

std::optional<Timestamp> date(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    if (const auto parsed = Timestamp::parseInternetDateTime(text))
        return parsed;
    if (const auto ms = toMs(QJsonValue(text)))
        return Timestamp::fromMsSince1970(*ms);
    return std::nullopt;
}

TokenTotals tokens(const QJsonValue& value)
{
    QJsonObject source;
    if (value.isObject()) {
        source = value.toObject();
        const QJsonValue inner = source.value("tokenUsage"_L1);
        if (inner.isObject())
            source = inner.toObject();
    }
    TokenTotals totals;
    totals.input = number(source.value("inputTokens"_L1)).value_or(0);
    totals.output = number(source.value("outputTokens"_L1)).value_or(0);
    totals.cacheRead = number(source.value("cacheReadTokens"_L1)).value_or(0);
    totals.cacheWrite = number(source.value("cacheWriteTokens"_L1)).value_or(0);
    totals.total = totals.input + totals.output + totals.cacheRead + totals.cacheWrite;
    return totals;
}

QString monthDay(Timestamp timestamp)
{
    const QDateTime dateTime = timestamp.toDateTime();
    if (!dateTime.isValid())
        return {};
    return QLocale(QLocale::Chinese, QLocale::China).toString(dateTime.toLocalTime(), u"M月d日"_s);
}

QString utcDay(Timestamp timestamp)
{
    const QDateTime dateTime = timestamp.toDateTime();
    if (!dateTime.isValid())
        return {};
    return QLocale::c().toString(dateTime.toTimeZone(QTimeZone::utc()), u"yyyy-MM-dd"_s);
}

std::optional<qint64> rounded(double value)
{
    const double r = std::round(value);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!std::isfinite(r) || r >= 9223372036854775808.0 || r < -9223372036854775808.0)
        return std::nullopt;
    return qint64(r);
}

} // namespace UsageJSON
