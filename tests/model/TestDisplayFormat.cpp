#include "TestRegistry.h"

#include "model/DisplayFormat.h"

#include <QtTest>

#include <clocale>

using namespace Qt::StringLiterals;

class TestDisplayFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayModelName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("sonnet thinking") << u"claude-4.5-sonnet-thinking"_s << u"4.5 sonnet"_s;
        QTest::newRow("opus") << u"claude-opus-4-1-thinking"_s << u"Opus 4.1"_s;
        QTest::newRow("composer") << u"composer-1"_s << u"Composer 1"_s;
        QTest::newRow("grok") << u"grok-code-fast-1"_s << u"Grok code fast 1"_s;
        QTest::newRow("gemini keeps case") << u"Gemini-2.5-Pro"_s << u"Gemini 2.5 Pro"_s;
        QTest::newRow("auto") << u"auto"_s << u"auto"_s;
        QTest::newRow("only prefix") << u"claude-"_s << u""_s;
        QTest::newRow("thinking in front") << u"Thinking-GPT-5"_s << u"GPT 5"_s;
        QTest::newRow("no overlap") << u"x-3-5-2"_s << u"x 3.5 2"_s;
    }

    void displayModelName()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QCOMPARE(::displayModelName(name), shown);
    }

    void formatChineseCount_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("9999") << 9999.0 << u"9999"_s;
        QTest::newRow("10000") << 10000.0 << u"1万"_s;
        QTest::newRow("12345") << 12345.0 << u"1.2万"_s;
        QTest::newRow("99999") << 99999.0 << u"10万"_s;
        QTest::newRow("1.5e8") << 150'000'000.0 << u"1.5亿"_s;
        QTest::newRow("123456789") << 123'456'789.0 << u"1.23亿"_s;
        QTest::newRow("2e8") << 200'000'000.0 << u"2亿"_s;
        QTest::newRow("trim to whole") << 100'600'000.0 << u"1.01亿"_s;
        QTest::newRow("negative") << -12345.0 << u"-12345"_s;
        QTest::newRow("C rounding of a tie") << 2.5 << u"2"_s;
    }

    void formatChineseCount()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(::formatChineseCount(value), text);
    }

    void formatUSD_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("123.4") << 123.4 << u"$123"_s;
        QTest::newRow("12.34") << 12.34 << u"$12.3"_s;
        QTest::newRow("1.234") << 1.234 << u"$1.23"_s;
        QTest::newRow("0") << 0.0 << u"$0.00"_s;
        QTest::newRow("99.96") << 99.96 << u"$100.0"_s;
        QTest::newRow("negative") << -5.0 << u"$-5.00"_s;
    }

    void formatUSD()
    {
        QFETCH(double, amount);
        QFETCH(QString, text);
        QCOMPARE(::formatUSD(amount), text);
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
