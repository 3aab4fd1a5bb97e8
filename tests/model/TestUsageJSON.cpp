#include "TestRegistry.h"

#include "model/UsageJSON.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

constexpr double may1Ms = 1714521600000.0;

QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class TestUsageJSON : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void number_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<std::optional<double>>("expected");
        const std::optional<double> none;
        QTest::newRow("comma dropped") << QJsonValue(u"9,99 USD"_s) << std::optional(999.0);
        QTest::newRow("negative text") << QJsonValue(u"-3"_s) << std::optional(-3.0);
        QTest::newRow("empty text") << QJsonValue(u""_s) << none;
        QTest::newRow("two points") << QJsonValue(u"1.2.3"_s) << none;
        QTest::newRow("lone minus") << QJsonValue(u"-"_s) << none;
        QTest::newRow("exponent loses its e") << QJsonValue(u"1e3"_s) << std::optional(13.0);
        QTest::newRow("too many digits") << QJsonValue(QString(400, u'9')) << none;
        QTest::newRow("a long text without digits") << QJsonValue(QString(1 << 20, u'x')) << none;
        QTest::newRow("true") << QJsonValue(true) << std::optional(1.0);
        QTest::newRow("number") << QJsonValue(1e308) << std::optional(1e308);
        QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << none;
        QTest::newRow("array") << QJsonValue(QJsonArray{1}) << none;
    }

    void number()
    {
        QFETCH(QJsonValue, value);
        QFETCH(std::optional<double>, expected);
        QCOMPARE(UsageJSON::number(value), expected);
    }

    void stringReadsOnlyNonEmptyText()
    {
        QCOMPARE(UsageJSON::string(QJsonValue(u"Pro"_s)), std::optional(u"Pro"_s));
        QVERIFY(!UsageJSON::string(QJsonValue(u""_s)));
        QVERIFY(!UsageJSON::string(QJsonValue(42)));
    }

    void toMsReadsSecondsMillisecondsAndText()
    {
        QCOMPARE(UsageJSON::toMs(QJsonValue(u"1768399334000"_s)), std::optional(1768399334000.0));
        QCOMPARE(UsageJSON::toMs(QJsonValue(u"2026-04-02T14:11:55.000Z"_s)), std::optional(1775139115000.0));
        // The boundary: just under 1e12 is still seconds.
        QCOMPARE(UsageJSON::toMs(QJsonValue(999999999999.0)), std::optional(999999999999000.0));
        QCOMPARE(UsageJSON::toMs(QJsonValue(1e12)), std::optional(1e12));
        QVERIFY(!UsageJSON::toMs(QJsonValue(0)) && !UsageJSON::toMs(QJsonValue(-5)));
        QVERIFY(!UsageJSON::toMs(QJsonValue(u"soon"_s)));
    }

    void dateAcceptsInternetDateTimeThenNumbers()
    {
        const auto ms = [](const QString& text) {
            const auto date = UsageJSON::date(text);
            return date ? std::optional(date->msSince1970()) : std::nullopt;
        };
        QCOMPARE(ms(u"2024-05-01T00:00:00.250Z"_s), std::optional(may1Ms + 250));
        QCOMPARE(ms(u"1714521600"_s), std::optional(may1Ms));
        QCOMPARE(ms(u"1714521600000"_s), std::optional(may1Ms));
        QVERIFY(!ms(u"2024-05-01"_s) && !ms(u"next Monday"_s));
    }

    void tokensPreferTheTokenUsageObject()
    {
        QCOMPARE(UsageJSON::tokens(
                     object(R"({"tokenUsage":{"inputTokens":"10","outputTokens":5},"inputTokens":99})")),
                 (TokenTotals{10, 5, 0, 0, 15}));
        QCOMPARE(UsageJSON::tokens(object(R"({"tokenUsage":{},"inputTokens":3})")), TokenTotals{});
        QCOMPARE(UsageJSON::tokens(object(R"({"tokenUsage":"x","inputTokens":3,"cacheReadTokens":"4",
                                              "cacheWriteTokens":1,"outputTokens":2,"total":1000})")),
                 (TokenTotals{3, 2, 4, 1, 10}));
        QCOMPARE(UsageJSON::tokens(QJsonValue(QJsonArray{1, 2})), TokenTotals{});
    }

    void dayTexts()
    {
        // The tests run with TZ=Asia/Shanghai (UTC+8).
        const Timestamp lateApril = *Timestamp::parseInternetDateTime(u"2024-04-30T20:00:00Z"_s);
        QCOMPARE(UsageJSON::monthDay(lateApril), u"5月1日"_s);
        QCOMPARE(UsageJSON::utcDay(lateApril), u"2024-04-30"_s);
        QCOMPARE(UsageJSON::utcDay(*Timestamp::parseInternetDateTime(u"2024-05-01T23:30:00-02:00"_s)),
                 u"2024-05-02"_s);
        QCOMPARE(UsageJSON::monthDay(Timestamp{1e300}), QString());
    }

    void roundedIsSafeForAbsurdValues()
    {
        QCOMPARE(UsageJSON::rounded(7.5), std::optional<qint64>(8));
        QCOMPARE(UsageJSON::rounded(-2.5), std::optional<qint64>(-3));
        QVERIFY(!UsageJSON::rounded(qQNaN()) && !UsageJSON::rounded(qInf()));
        QVERIFY(!UsageJSON::rounded(9223372036854775808.0));
        QCOMPARE(UsageJSON::rounded(-9223372036854775808.0),
                 std::optional(std::numeric_limits<qint64>::min()));
    }
};

TALLYFERN_REGISTER_TEST(TestUsageJSON);
#include "TestUsageJSON.moc"
