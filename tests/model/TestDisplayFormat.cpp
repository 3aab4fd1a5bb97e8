#include "TestRegistry.h"

#include "model/DisplayFormat.h"

#include <QtTest>

#include <clocale>

using namespace Qt::StringLiterals;

class TestDisplayFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts()
    {
        const QList<std::pair<QString, QString>> names{
            {u"claude-4.5-sonnet-thinking"_s, u"4.5 sonnet"_s},
            {u"claude-opus-4-1-thinking"_s, u"Opus 4.1"_s},
            {u"composer-1"_s, u"Composer 1"_s},
            {u"grok-code-fast-1"_s, u"Grok code fast 1"_s},
            {u"Gemini-2.5-Pro"_s, u"Gemini 2.5 Pro"_s},
            {u"Default"_s, u"auto"_s}, // the service's name for Auto
            {u"claude-"_s, u""_s},
            {u"Thinking-GPT-5"_s, u"GPT 5"_s},
            {u"x-3-5-2"_s, u"x 3.5 2"_s}, // replacements do not overlap
        };
        for (const auto& [name, shown] : names)
            QCOMPARE(::displayModelName(name), shown);

        const QList<std::pair<double, QString>> counts{
            {9999, u"9999"_s},       {10000, u"1万"_s},          {12345, u"1.2万"_s},
            {99999, u"10万"_s},      {150'000'000, u"1.5亿"_s},  {123'456'789, u"1.23亿"_s},
            {200'000'000, u"2亿"_s}, {100'600'000, u"1.01亿"_s}, {-12345, u"-12345"_s},
            {2.5, u"2"_s}, // C rounding of an exact tie
        };
        for (const auto& [value, text] : counts)
            QCOMPARE(::formatChineseCount(value), text);

        // The precision is chosen before rounding: 99.96 stays in the one-decimal range.
        const QList<std::pair<double, QString>> amounts{
            {123.4, u"$123"_s}, {12.34, u"$12.3"_s},  {1.234, u"$1.23"_s},
            {0, u"$0.00"_s},    {99.96, u"$100.0"_s}, {-5, u"$-5.00"_s},
        };
        for (const auto& [amount, text] : amounts)
            QCOMPARE(::formatUSD(amount), text);

        // The tests run in the C locale, whose short format has seconds.
        const QList<std::pair<QLocale, QString>> times{
            {QLocale::system(), u"14:05"_s},
            {QLocale(QLocale::Chinese, QLocale::China), u"14:05"_s},
            {QLocale(QLocale::English, QLocale::UnitedStates), u"2:05 PM"_s},
        };
        // Qt 6.8's locale data (CLDR 42 on) sets "PM" off with a narrow no-break space, Qt 6.4's with
        // a space: either is the locale's own form.
        for (const auto& [locale, text] : times)
            QCOMPARE(::formatShortTime(QTime(14, 5, 9), locale).replace(QChar(0x202F), u' '), text);
    }

    void ignoresTheUserLocale()
    {
        // A comma-decimal locale in the process must not change the texts.
        const char* previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
        if (!previous)
            std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(::formatUSD(12.34), u"$12.3"_s);
        QCOMPARE(::formatChineseCount(150'000'000), u"1.5亿"_s);
        std::setlocale(LC_NUMERIC, "C");
        QLocale::setDefault(QLocale::c());
    }
};

TALLYFERN_REGISTER_TEST(TestDisplayFormat);
#include "TestDisplayFormat.moc"
