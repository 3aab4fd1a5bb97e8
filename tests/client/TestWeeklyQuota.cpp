#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "ParserFixtures.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace UsageParser;

namespace {

Timestamp at(const QString& text)
{
    return *Timestamp::parseInternetDateTime(text);
}

} // namespace

class TestWeeklyQuota : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sandAnswer()
    {
        QCOMPARE(grokFromSand(std::nullopt), GrokQuota{});
        QCOMPARE(grokFromSand(jsonObject(R"({"usagePercent":"37.6","nextResetTimestampUtc":1714521600})")),
                 (GrokQuota{38, u"2024-05-01T00:00:00Z"_s}));
        QCOMPARE(grokFromSand(jsonObject(
                     R"({"usage_percent":12,"next_reset_timestamp_utc":"2025-05-05T00:00:00.000Z"})")),
                 (GrokQuota{12, u"2025-05-05T00:00:00.000Z"_s}));
        // The camel-case keys come first; an unreadable one falls back to the snake-case one.
        QCOMPARE(grokFromSand(jsonObject(R"({"usagePercent":"n/a","usage_percent":4.5,
                     "nextResetTimestampUtc":"","next_reset_timestamp_utc":1714521600000})")),
                 (GrokQuota{5, u"2024-05-01T00:00:00Z"_s}));
        QCOMPARE(grokFromSand(jsonObject(R"({"usagePercent":1e300,"nextResetTimestampUtc":1e300})")),
                 GrokQuota{});
    }

    void searchedFields_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<std::optional<qint64>>("percent");
        QTest::addColumn<QString>("reset");
        const std::optional<qint64> none;
        QTest::newRow("nested grok object")
            << QByteArray(R"({"grokWeeklyUsage":{"usedPercent":55,"resetsAt":1746662400000}})")
            << std::optional<qint64>(55) << u"2025-05-08T00:00:00Z"_s;
        QTest::newRow("week without grok or bot") << QByteArray(R"({"weeklyLimit":40})") << none << QString();
        QTest::newRow("bot and week")
            << QByteArray(R"({"botWeeklyPercent":40})") << std::optional<qint64>(40) << QString();
        QTest::newRow("text read as a number")
            << QByteArray(R"({"grokMessage":"40%"})") << std::optional<qint64>(40) << QString();
        QTest::newRow("text read by the pattern")
            << QByteArray(R"({"grokMessage":"1.5.0 / 40%"})") << std::optional<qint64>(40) << QString();
        QTest::newRow("weekly reset text")
            << QByteArray(R"({"weeklyReset":"Monday 9am"})") << none << u"Monday 9am"_s;
        QTest::newRow("not a reset key")
            << QByteArray(R"({"nextWeeklyReset":"Monday 9am"})") << none << QString();
        QTest::newRow("weekly reset number")
            << QByteArray(R"({"weeklyReset":1746662400})") << none << u"2025-05-08T00:00:00Z"_s;
        QTest::newRow("inside an array") << QByteArray(R"({"limits":[{"other":1},{"grok":{"percent":"7.5",
                                                "resetDate":"soon"}}]})")
                                         << std::optional<qint64>(8) << u"soon"_s;
        QTest::newRow("message in a week object") << QByteArray(R"({"week":{"displayMessage":"21.5% used"}})")
                                                  << std::optional<qint64>(22) << QString();
        QTest::newRow("absurd percent") << QByteArray(R"({"grokPercent":1e300})") << none << QString();
    }

    void searchedFields()
    {
        QFETCH(QByteArray, json);
        QFETCH(std::optional<qint64>, percent);
        QFETCH(QString, reset);
        const GrokQuota quota = grokFields(jsonObject(json));
        QCOMPARE(quota.percent, percent);
        QCOMPARE(quota.reset, reset);
    }

    void walkVisitsEveryPairAtAnyDepth()
    {
        QStringList keys;
        walk(jsonObject(R"({"a":{"b":[{"c":1},[{"d":2}],3]},"e":null})"),
             [&keys](const QString& key, const QJsonValue&) { keys << key; });
        QCOMPARE(keys, (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}));

        // A deeply nested answer is walked without trouble.
        QByteArray deep;
        for (int i = 0; i < 500; ++i)
            deep += "{\"x\":";
        deep += "{\"grokPercent\":3}";
        for (int i = 0; i < 500; ++i)
            deep += '}';
        QCOMPARE(grokFields(jsonObject(deep)).percent, std::optional<qint64>(3));
    }

    void computedReset()
    {
        const double may1 = 1746057600000.0;
        QCOMPARE(weeklyReset(std::nullopt, at(u"2025-05-15T00:00:00Z"_s)), QString());
        QCOMPARE(weeklyReset(may1, at(u"2025-05-15T00:00:00Z"_s)), u"2025-05-22T00:00:00Z"_s);
        QCOMPARE(weeklyReset(may1, at(u"2025-05-14T23:59:59Z"_s)), u"2025-05-15T00:00:00Z"_s);
        QCOMPARE(weeklyReset(may1, at(u"2025-04-01T00:00:00Z"_s)), u"2025-05-08T00:00:00Z"_s);
        QCOMPARE(weeklyReset(1000.0, at(u"2025-05-15T00:00:00Z"_s)), u"2025-05-15T00:00:01Z"_s);
        QCOMPARE(weeklyReset(1e300, at(u"2025-05-15T00:00:00Z"_s)), QString());
    }

    void sandWinsThenSearchThenComputed()
    {
        const Timestamp now = at(u"2025-05-15T00:00:00Z"_s);
        const Answer period = jsonObject(R"({"billingCycleStart":"2025-05-01T00:00:00Z","grokPercent":1})");
        const Answer plan = jsonObject(R"({"grokPercent":2,"grokResetAt":"plan reset"})");
        auto s =
            build(period, std::nullopt, plan, std::nullopt, {}, {}, jsonObject(R"({"usagePercent":3})"), now);
        QCOMPARE(s->grokWeeklyPercent, std::optional<qint64>(3));
        QCOMPARE(s->grokResetAt, u"plan reset"_s); // the plan's value won over the period's
        s = build(period, std::nullopt, plan, std::nullopt, {}, {}, std::nullopt, now);
        QCOMPARE(s->grokWeeklyPercent, std::optional<qint64>(2));
        s = build(period, std::nullopt, std::nullopt, std::nullopt, {}, {}, std::nullopt, now);
        QCOMPARE(s->grokWeeklyPercent, std::optional<qint64>(1));
        QCOMPARE(s->grokResetAt, u"2025-05-22T00:00:00Z"_s);
    }
};

TALLYFERN_REGISTER_TEST(TestWeeklyQuota);
#include "TestWeeklyQuota.moc"
