#include "DisplayFormat.h"

#include <QDateTime>
#include <QRegularExpression>

#include <array>
#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

QString formatFixed(double value, int precision)
{
    // std::to_chars rounds exactly as printf does in the C locale, and ignores the process locale
    // that QCoreApplication sets from the environment.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, precision);
    if (result.ec != std::errc())
        return {};
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

QString displayModelName(const QString& name)
{
    static const QRegularExpression digitDashDigit(u"(\\d)-(\\d)"_s);
    // The service names Auto "default"; the dashboard shows it as Auto.
    if (name.compare("default"_L1, Qt::CaseInsensitive) == 0)
        return u"auto"_s;
    QString text = name;
    const QString lower = text.toLower();
    if (lower.startsWith("cursor-"_L1) || lower.startsWith("claude-"_L1))
        text.remove(0, 7);
    text.remove("thinking-"_L1, Qt::CaseInsensitive);
    text.remove("-thinking"_L1, Qt::CaseInsensitive);
    text.replace(digitDashDigit, u"\\1.\\2"_s);

    struct Family
    {
        QLatin1StringView prefix;
        QLatin1StringView label;
    };
    static constexpr std::array<Family, 5> families{{
        {"grok-"_L1, "Grok "_L1},
        {"composer-"_L1, "Composer "_L1},
        {"opus-"_L1, "Opus "_L1},
        {"gemini-"_L1, "Gemini "_L1},
        {"sand-"_L1, "Sand "_L1},
    }};
    for (const Family& family : families) {
        if (text.startsWith(family.prefix, Qt::CaseInsensitive))
            return family.label + text.mid(family.prefix.size()).replace(u'-', u' ');
    }
    return text.replace(u'-', u' ');
}

QString formatChineseCount(double value)
{
    if (value >= 100'000'000.0) {
        const double v = value / 100'000'000.0;
        if (std::fabs(v - std::round(v)) < 0.005)
            return formatFixed(v, 0) + u"亿"_s;
        QString text = formatFixed(v, 2);
        while (text.contains(u'.') && (text.endsWith(u'0') || text.endsWith(u'.')))
            text.chop(1);
        return text + u"亿"_s;
    }
    if (value >= 10'000.0) {
        const double v = value / 10'000.0;
        if (std::fabs(v - std::round(v)) < 0.05)
            return formatFixed(v, 0) + u"万"_s;
        return formatFixed(v, 1) + u"万"_s;
    }
    return formatFixed(value, 0);
}

QString formatUSD(double amount)
{
    if (amount >= 100)
        return u"$"_s + formatFixed(amount, 0);
    if (amount >= 10)
        return u"$"_s + formatFixed(amount, 1);
    return u"$"_s + formatFixed(amount, 2);
}

QString formatShortTime(QTime time, const QLocale& locale)
{
    static const QRegularExpression seconds(uR"([:.]?s+)"_s);
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(seconds);
    return locale.toString(time, format);
}

QString formatShortTime(Timestamp timestamp)
{
    const QDateTime dateTime = timestamp.toDateTime();
    return dateTime.isValid() ? formatShortTime(dateTime.toLocalTime().time()) : QString();
}
