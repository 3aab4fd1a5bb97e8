#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "ParserFixtures.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace UsageParser;

namespace {

const Timestamp now = *Timestamp::parseInternetDateTime(u"2026-02-01T08:00:00Z"_s);

UsageSnapshot buildFrom(const Answer& period, const Answer& summary, const Answer& plan,
                        const Answer& aggregated, const Answer& sand = std::nullopt)
{
    const auto snapshot = build(period, summary, plan, aggregated, {}, {}, sand, now);
    if (!snapshot)
        qFatal("no snapshot");
    return *snapshot;
}

} // namespace

class TestUsageParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildsARealAccount()
    {
        const UsageSnapshot s =
            buildFrom(fixture("parser-period.json"), std::nullopt, fixture("parser-plan.json"),
                      fixture("parser-aggregated.json"), fixture("parser-sand.json"));
        QCOMPARE(s.monthlyUsed, 232.22);
        QCOMPARE(s.monthlyLimit, 400.0);
        QCOMPARE(s.todayUsed, 0.0);
        QCOMPARE(s.includedPercent, 58);
        QCOMPARE(s.displayMessage, u"You've used 58% of your included usage"_s);
        QCOMPARE(s.billingCycleStart, u"2026-01-14T14:02:14Z"_s);
        QCOMPARE(s.billingCycleEnd, u"2026-02-14T14:02:14Z"_s);
        QCOMPARE(s.planName, u"Pro+"_s);
        QCOMPARE(s.cursorModelsPercent, std::optional<qint64>(12)); // the message wins over 11.6
        QCOMPARE(s.otherModelsPercent, std::optional<qint64>(98));  // 97.5 rounds away from zero
        QCOMPARE(s.grokWeeklyPercent, std::optional<qint64>(38));
        QCOMPARE(s.grokResetAt, u"2026-01-19T00:00:00Z"_s);
        QCOMPARE(s.tokens, (TokenTotals{27040, 250730, 14458979, 911353, 15648102}));
        QCOMPARE(s.totalTokens, 15648102.0);
        QCOMPARE(s.includedTokens, 15648102.0);
        QCOMPARE(s.onDemandTokens, 0.0);
        QCOMPARE(s.todayTokens, TokenTotals{});
        QVERIFY(s.days.isEmpty());
        QVERIFY(s.hasRealData);
        QCOMPARE(s.source, u"dashboard-json"_s);
        QCOMPARE(s.updatedAt, now);

        QStringList names;
        for (const ModelUsage& row : s.models)
            names << row.name;
        QCOMPARE(names,
                 (QStringList{u"auto"_s, u"claude-4.5-sonnet-thinking"_s, u"gpt-5-codex"_s, u"sand-2"_s}));
        QCOMPARE(s.models[0].percent, 100.0);
        QCOMPARE(s.models[1].amount, 14.0225);
        QCOMPARE(s.models[1].group, ModelGroup::other);
        QCOMPARE(s.models[3].amount, 0.0);
        double otherShare = 0;
        for (const ModelUsage& row : s.otherModels())
            otherShare += row.percent;
        QVERIFY(qAbs(otherShare - 100) < 1e-9);
    }

    void needsAtLeastOneUsageAnswer()
    {
        QVERIFY(!build(std::nullopt, std::nullopt, fixture("parser-plan.json"), std::nullopt, {}, {},
                       fixture("parser-sand.json"), now));
        const UsageSnapshot s =
            buildFrom(std::nullopt, std::nullopt, std::nullopt, fixture("parser-aggregated.json"));
        QCOMPARE(s.monthlyLimit, 0.0);
        QCOMPARE(s.monthlyUsed, 0.0);
        QCOMPARE(s.includedPercent, 0);
        QCOMPARE(s.displayMessage, QString());
        QCOMPARE(s.planName, QString());
        QCOMPARE(s.billingCycleStart, QString());
        QCOMPARE(s.grokResetAt, QString()); // no cycle start, no sand
        QCOMPARE(s.models.size(), 4);
        QVERIFY(!s.cursorModelsPercent && !s.otherModelsPercent && !s.grokWeeklyPercent);
    }

    void amountsAndPercents_data()
    {
        QTest::addColumn<QByteArray>("period");
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<double>("used");
        QTest::addColumn<double>("limit");
        QTest::addColumn<qint64>("percent");
        QTest::newRow("spend and limit") << QByteArray(R"({"planUsage":{"includedSpend":1234,"limit":2000}})")
                                         << QByteArray() << 12.34 << 20.0 << qint64(62);
        QTest::newRow("used before total")
            << QByteArray(R"({"planUsage":{"used":500,"totalSpend":900,"limit":1000}})") << QByteArray()
            << 5.0 << 10.0 << qint64(50);
        QTest::newRow("limit from plan")
            << QByteArray(R"({"planUsage":{"includedSpend":"500"}})")
            << QByteArray(R"({"planInfo":{"includedAmountCents":2000}})") << 5.0 << 20.0 << qint64(25);
        QTest::newRow("message percent")
            << QByteArray(R"({"displayMessage":"You have used 45.5% of your usage"})") << QByteArray() << 0.0
            << 0.0 << qint64(46);
        QTest::newRow("message without percent")
            << QByteArray(R"({"displayMessage":"All good"})") << QByteArray() << 0.0 << 0.0 << qint64(0);
        QTest::newRow("nothing used") << QByteArray(R"({"planUsage":{"includedSpend":0,"limit":2000}})")
                                      << QByteArray() << 0.0 << 20.0 << qint64(0);
        QTest::newRow("over the limit") << QByteArray(R"({"planUsage":{"includedSpend":3000,"limit":2000}})")
                                        << QByteArray() << 30.0 << 20.0 << qint64(150);
        QTest::newRow("absurd spend") << QByteArray(R"({"planUsage":{"includedSpend":1e308,"limit":0.001}})")
                                      << QByteArray() << 1e306 << 0.00001 << qint64(0);
        QTest::newRow("negative limit uses message")
            << QByteArray(R"({"planUsage":{"includedSpend":10,"limit":-5},"displayMessage":"7%"})")
            << QByteArray() << 0.1 << -0.05 << qint64(7);
    }

    void amountsAndPercents()
    {
        QFETCH(QByteArray, period);
        QFETCH(QByteArray, plan);
        QFETCH(double, used);
        QFETCH(double, limit);
        QFETCH(qint64, percent);
        const Answer planAnswer = plan.isEmpty() ? Answer() : Answer(jsonObject(plan));
        const UsageSnapshot s = buildFrom(jsonObject(period), std::nullopt, planAnswer, std::nullopt);
        QCOMPARE(s.monthlyUsed, used);
        QCOMPARE(s.monthlyLimit, limit);
        QCOMPARE(s.includedPercent, percent);
    }

    void summaryStandsInForPeriod()
    {
        const Answer summary = jsonObject(R"({"billingCycleStart":"2025-05-01T00:00:00.000Z",
            "billingCycleEnd":1748736000, "membershipType":"enterprise", "displayMessage":"ok 3%",
            "individualUsage":{"plan":{"used":700,"limit":1000,"autoPercentUsed":7.5,"apiPercentUsed":-2.5}}})");
        const UsageSnapshot s = buildFrom(std::nullopt, summary, std::nullopt, std::nullopt);
        QCOMPARE(s.billingCycleStart, u"2025-05-01T00:00:00Z"_s);
        QCOMPARE(s.billingCycleEnd, u"2025-06-01T00:00:00Z"_s);
        QCOMPARE(s.planName, u"enterprise"_s);
        QCOMPARE(s.displayMessage, u"ok 3%"_s);
        QCOMPARE(s.monthlyUsed, 7.0);
        QCOMPARE(s.includedPercent, 70);
        QCOMPARE(s.cursorModelsPercent, std::optional<qint64>(8));
        QCOMPARE(s.otherModelsPercent, std::optional<qint64>(-3));
        // Cycle start 1 May, now 1 Feb 2026: the computed weekly reset lies after now, on a week boundary.
        const auto reset = Timestamp::parseInternetDateTime(s.grokResetAt);
        QVERIFY(reset && *reset > now);
        const double weeks = (reset->secondsSince1970() - 1746057600.0) / 604800.0;
        QCOMPARE(weeks, std::round(weeks));
        QVERIFY(reset->secondsSince1970() - now.secondsSince1970() <= 604800);
    }

    void cycleBoundsInEveryForm()
    {
        for (const char* start :
             {"1746057600", "1746057600000", "\"2025-05-01T00:00:00.000Z\"", "\"1746057600000\""}) {
            const UsageSnapshot s = buildFrom(jsonObject(QByteArray("{\"billingCycleStart\":") + start + "}"),
                                              std::nullopt, std::nullopt, std::nullopt);
            QCOMPARE(s.billingCycleStart, u"2025-05-01T00:00:00Z"_s);
        }
        // An enterprise period with only its cycle bounds still makes a snapshot.
        const UsageSnapshot bare = buildFrom(jsonObject(R"({"billingCycleStart":"x","billingCycleEnd":-1})"),
                                             std::nullopt, std::nullopt, std::nullopt);
        QCOMPARE(bare.billingCycleStart, QString());
        QCOMPARE(bare.billingCycleEnd, QString());
        QVERIFY(bare.hasRealData);
    }

    void eventsFeedTodayTheSplitAndTheSeries()
    {
        const Events events = eventsFrom(readTestData(TALLYFERN_TEST_DATA_DIR, u"parser-events.json"_s));
        const TokenSplit split = splitTokens(events);
        QCOMPARE(split, (TokenSplit{27255, 12205, 15050}));

        const auto s = build(jsonObject("{}"), std::nullopt, std::nullopt, fixture("parser-aggregated.json"),
                             events, events, std::nullopt, now);
        QVERIFY(s);
        QCOMPARE(s->totalTokens, 27255.0);
        QCOMPARE(s->includedTokens, 12205.0);
        QCOMPARE(s->onDemandTokens, 15050.0);
        QCOMPARE(s->todayTokens, (TokenTotals{1950, 2305, 19000, 4000, 27255}));

        const QList<DayUsage> days = daysFromEvents(events);
        QCOMPARE(days.size(), 2);
        QCOMPARE(days[0].date, u"2026-04-02"_s);
        QCOMPARE(days[0].models, (QMap<QString, double>{{u"auto"_s, 700}}));
        QCOMPARE(days[1].date, u"2026-04-05"_s);
        QCOMPARE(days[1].models,
                 (QMap<QString, double>{{u"auto"_s, 11500}, {u"claude-4.5-sonnet-thinking"_s, 15050}}));
        QCOMPARE(s->days, days);
    }

    void splitKinds()
    {
        const Events events = eventsFrom(R"([
            {"kind":"Included","inputTokens":10}, {"kind":"ON_DEMAND","inputTokens":10},
            {"kind":"FREE_CREDIT","inputTokens":10}, {"inputTokens":10},
            {"kind":"usage_based_included","inputTokens":1}, {"kind":"ondemand","inputTokens":2},
            {"kind":5,"inputTokens":100}])");
        QCOMPARE(splitTokens(events), (TokenSplit{143, 131, 12}));
        QCOMPARE(splitTokens({}), TokenSplit{});
    }

    void seriesUsesUtcDaysAndModelFirst()
    {
        // 23:30 and 00:30 in Shanghai (UTC+8) are both on 1 May in UTC.
        const Events events = eventsFrom(R"([
            {"timestamp":"2025-05-01T15:30:00Z","model":"cursor-a","modelIntent":"auto","inputTokens":1},
            {"timestamp":1746117000,"modelIntent":"auto","inputTokens":2},
            {"eventDate":"2025-04-30T23:59:59.999+00:00","inputTokens":4},
            {"timestamp":0,"eventDate":"nonsense","inputTokens":8},
            {"timestamp":1e300,"inputTokens":16}])");
        const QList<DayUsage> days = daysFromEvents(events);
        QCOMPARE(days.size(), 2);
        QCOMPARE(days[0], (DayUsage{u"2025-04-30"_s, {{u"unknown"_s, 4}}}));
        QCOMPARE(days[1], (DayUsage{u"2025-05-01"_s, {{u"cursor-a"_s, 1}, {u"auto"_s, 2}}}));
    }

    void aggregatedTotalsAndRows()
    {
        QCOMPARE(tokensFromAggregated(std::nullopt), TokenTotals{});
        QCOMPARE(tokensFromAggregated(jsonObject(R"({"totalInputTokens":100,"totalOutputTokens":"50",
            "aggregations":[{"inputTokens":7}]})")),
                 (TokenTotals{100, 50, 0, 0, 150}));
        QCOMPARE(tokensFromAggregated(jsonObject(R"({"totalInputTokens":0,"aggregations":[
            {"inputTokens":10,"cacheReadTokens":1},{"tokenUsage":{"inputTokens":20}},"x"]})")),
                 (TokenTotals{30, 0, 1, 0, 31}));

        const auto rows = modelsFromAggregated(jsonObject(R"({"aggregations":[
            {"modelIntent":"cursor-a","inputTokens":300},
            {"modelIntent":"gemini-3","inputTokens":100},
            {"modelIntent":"grok-4.5","inputTokens":300},
            {"modelIntent":"x","totalCents":250},
            {"modelIntent":"y"},
            {"totalCents":"-3","inputTokens":1},
            {"modelIntent":"","model":"m","outputTokens":5}]})"));
        QStringList names;
        for (const ModelUsage& row : rows)
            names << row.name;
        QCOMPARE(names,
                 (QStringList{u"cursor-a"_s, u"grok-4.5"_s, u"gemini-3"_s, u"m"_s, u"unknown"_s, u"x"_s}));
        QCOMPARE(rows[0].percent, 100.0);
        QCOMPARE(rows[1].percent, 300.0 / 406 * 100);
        QCOMPARE(rows[5].amount, 2.5);
        QCOMPARE(rows[5].percent, 0.0);
        QCOMPARE(rows[4].amount, -0.03);
        QVERIFY(modelsFromAggregated(jsonObject(R"({"aggregations":{"a":1}})")).isEmpty());
    }

    void percentFromMessage()
    {
        QCOMPARE(UsageParser::percentFromMessage(u"used 45.5% and 10%"_s), std::optional<qint64>(46));
        QCOMPARE(UsageParser::percentFromMessage(u"１２% full-width"_s), std::nullopt);
        QCOMPARE(UsageParser::percentFromMessage(u"no sign 45"_s), std::nullopt);
        QCOMPARE(UsageParser::percentFromMessage(u"99999999999999999999999%"_s), std::nullopt);
    }
};

TALLYFERN_REGISTER_TEST(TestUsageParser);
#include "TestUsageParser.moc"
