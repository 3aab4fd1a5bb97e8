#include "ClientFixture.h"
#include "TestRegistry.h"

using namespace Qt::StringLiterals;
using namespace UsageParser;

class TestUsageParser : public QObject
{
    Q_OBJECT

    static Timestamp at(const QString& text) { return *Timestamp::parseInternetDateTime(text); }
    static QString number(double x) { return QString::number(x, 'g', QLocale::FloatingPointShortest); }
    static QString percent(std::optional<qint64> x) { return x ? QString::number(*x) : u"-"_s; }

    // Built from the answers given as JSON texts (an empty text is no answer).
    static auto built(const QByteArray& period, const QByteArray& summary, const QByteArray& plan,
                      const QByteArray& aggregated, const QByteArray& sand = {})
    {
        const auto a = [](const QByteArray& json) { return json.isEmpty() ? Answer() : obj(json); };
        return build(a(period), a(summary), a(plan), a(aggregated), {}, {}, a(sand),
                     at(u"2026-02-01T08:00:00Z"_s));
    }

    // "used limit percent | cursor other grok | grok reset | cycle start, end, plan, message", in dollars
    // and percents.
    static QString figures(const std::optional<UsageSnapshot>& s)
    {
        return number(s->monthlyUsed) + u' ' + number(s->monthlyLimit) + u' ' + percent(s->includedPercent) +
               u" | " + percent(s->cursorModelsPercent) + u' ' + percent(s->otherModelsPercent) + u' ' +
               percent(s->grokWeeklyPercent) + u" | " + s->grokResetAt + u" | " +
               QStringList{s->billingCycleStart, s->billingCycleEnd, s->planName, s->displayMessage}.join(
                   u',');
    }

    // "name percent-in-its-group dollars" of each row, in order.
    static QStringList rowsOf(const QList<ModelUsage>& rows)
    {
        QStringList list;
        for (const ModelUsage& row : rows)
            list << row.name + u' ' + QString::number(qRound(row.percent)) + u' ' + number(row.amount);
        return list;
    }

    static Events eventsOf(const QByteArray& jsonArray)
    {
        Events events;
        for (const QJsonValue& value : QJsonDocument::fromJson(jsonArray).array())
            events.append(value.toObject());
        return events;
    }

    static QString quotaOf(const GrokQuota& quota) { return percent(quota.percent) + u' ' + quota.reset; }
    static QString sand(const char* json) { return quotaOf(grokFromSand(obj(json))); }
    static QString search(const char* json) { return quotaOf(grokFields(obj(json))); }
    static QString reset(double startMs, const QString& now) { return weeklyReset(startMs, at(now)); }

private Q_SLOTS:
    void buildsARealAccount()
    {
        const auto s = built(data("parser-period.json"), {}, data("parser-plan.json"),
                             data("parser-aggregated.json"), data("parser-sand.json"));
        // The period's limit before the plan's amount; the pools' ratios (11.6, 97.4) before the
        // group messages; the weekly quota from sand.
        QCOMPARE(figures(s), u"232.22 400 58 | 12 97 38 | 2026-01-19T00:00:00Z | 2026-01-14T14:02:14Z,"
                             u"2026-02-14T14:02:14Z,Pro+,You've used 58% of your included usage"_s);
        QCOMPARE(s->tokens, (TokenTotals{27040, 250730, 14458979, 911353, 15648102}));
        // Without events the whole total counts as included.
        QCOMPARE((TokenSplit{s->totalTokens, s->includedTokens, s->onDemandTokens}),
                 (TokenSplit{15648102, 15648102, 0}));

        // Plan and sand alone make no snapshot; aggregated alone does, with nothing else made up.
        QVERIFY(!built({}, {}, data("parser-plan.json"), {}, data("parser-sand.json")));
        const auto bare = built({}, {}, {}, data("parser-aggregated.json"));
        QCOMPARE(figures(bare), u"0 0 0 | - - - |  | ,,,"_s);
    }

    void amountsAndPercents()
    {
        const auto amounts = [](const char* period, const char* plan = "") {
            return figures(built(period, {}, plan, {})).section(u" | "_s, 0, 0);
        };
        QCOMPARE(amounts(R"({"planUsage":{"includedSpend":1234,"limit":2000}})"), u"12.34 20 62"_s);
        QCOMPARE(amounts(R"({"planUsage":{"used":500,"totalSpend":900,"limit":1000}})"), u"5 10 50"_s);
        QCOMPARE(amounts("{}", R"({"planInfo":{"includedAmountCents":2000}})"), u"0 20 0"_s);
        QCOMPARE(amounts(R"({"planUsage":{"includedSpend":3000,"limit":2000}})"), u"30 20 150"_s);
        // Without a limit the message's percent stands in.
        QCOMPARE(amounts(R"({"displayMessage":"You have used 45.5% of your usage"})"), u"0 0 46"_s);
        QCOMPARE(amounts(R"({"planUsage":{"used":1,"limit":-1},"displayMessage":"7%"})"), u"0.01 -0.01 7"_s);
        QCOMPARE(amounts(R"({"displayMessage":"All good, １２%"})"), u"0 0 0"_s);
        QCOMPARE(amounts(R"({"planUsage":{"includedSpend":1e308,"limit":0.001}})"), u"1e+306 1e-05 0"_s);

        // The pools' percents: the plan usage's ratios when it gives either (a left-out one is 0),
        // else the group messages; the messages may speak of the total, and so may a ratio.
        const auto pools = [](const char* period, const char* summary) {
            return figures(built(period, summary, {}, {})).section(u" | "_s, 1, 1);
        };
        const QList<std::tuple<const char*, const char*, QString>> poolRows{
            {R"({"autoModelSelectedDisplayMessage":"2% of your included total usage",
              "namedModelSelectedDisplayMessage":"33% of your included API usage",
              "planUsage":{"limit":40000,"autoPercentUsed":0.0957,"apiPercentUsed":32.74,"totalPercentUsed":2.27}})",
             "", u"0 33 -"_s},
            {"", R"({"autoModelSelectedDisplayMessage":"100% of your included total usage",
              "individualUsage":{"plan":{"limit":2000,"apiPercentUsed":100,"totalPercentUsed":100}}})",
             u"0 100 -"_s},
            {R"({"autoModelSelectedDisplayMessage":"12%","planUsage":{"limit":1000,"totalPercentUsed":40}})",
             R"({"namedModelSelectedDisplayMessage":"64.5%"})", u"12 65 -"_s},
            {R"({"planUsage":{"limit":1000,"totalPercentUsed":40}})", "", u"- - -"_s}};
        for (const auto& [period, summary, shown] : poolRows)
            QCOMPARE(pools(period, summary), shown);

        // The summary stands in for a missing period; the weekly reset is computed from its cycle start.
        const QByteArray summary =
            R"({"billingCycleStart":"2025-05-01T00:00:00.000Z","billingCycleEnd":1748736000,
            "membershipType":"enterprise","displayMessage":"ok 3%","individualUsage":{"plan":{"used":700,
            "limit":1000,"autoPercentUsed":7.5,"apiPercentUsed":-2.5}}})";
        QCOMPARE(figures(built({}, summary, {}, {})),
                 u"7 10 70 | 8 -3 - | 2026-02-05T00:00:00Z | "
                 u"2025-05-01T00:00:00Z,2025-06-01T00:00:00Z,enterprise,ok 3%"_s);
    }

    void teamSeatsAndOnDemand()
    {
        // A team seat's period holds only equal cycle bounds: the summary gives every figure.
        const QByteArray teamPeriod = data("service-period-team.json"),
                         teamSummary = data("service-summary-team.json");
        const auto team = built(teamPeriod, teamSummary, {}, {});
        QCOMPARE(figures(team), u"17.700000762939453 20 89 | 31 64 - | 2026-04-24T09:42:14Z | "
                                u"2026-04-17T09:42:14Z,2026-05-17T09:42:14Z,enterprise,"_s);
        // Equal bounds and nothing else: no cycle at all rather than an empty one.
        QCOMPARE(figures(built(teamPeriod, {}, {}, "{}")).section(u" | "_s, 3), u",,,"_s);

        const QList<std::pair<const char*, bool>> usable{
            {R"({"planUsage":{"limit":"40000"}})", true},
            {R"({"planUsage":{"used":5}})", false},
            {R"({"displayMessage":"x"})", true},
            {R"({"namedModelSelectedDisplayMessage":"x"})", true},
            {R"({"autoModelSelectedDisplayMessage":""})", false},
            {"{}", false}};
        for (const auto& [period, expected] : usable)
            QVERIFY2(hasUsablePlanUsage(obj(period)) == expected, period);

        // "used limit unlimited | team used limit", in dollars ("-" when absent).
        const auto onDemand = [](const char* period, const char* summary) -> QString {
            UsageSnapshot s;
            const auto a = [](const char* json) { return *json ? Answer(obj(json)) : Answer(); };
            readOnDemand(a(period), a(summary), s);
            const auto d = [](const std::optional<double>& x) { return x ? number(*x) : u"-"_s; };
            return d(s.onDemandUsed) + u' ' + d(s.onDemandLimit) + u' ' +
                   QString::number(s.onDemandUnlimited) + u" | "_s + d(s.teamOnDemandUsed) + u' ' +
                   d(s.teamOnDemandLimit);
        };
        QCOMPARE(onDemand("", teamSummary), u"23.1 - 1 | 150 500"_s);
        // A personal plan's spend limit: used is what the limit no longer has (a zero left out).
        QCOMPARE(onDemand(R"({"spendLimitUsage":{"individualLimit":10000,"individualRemaining":7690,
                            "limitType":"user"}})",
                          ""),
                 u"23.1 100 0 | - -"_s);
        QCOMPARE(onDemand(R"({"spendLimitUsage":{"individualLimit":"5000"}})", ""), u"50 50 0 | - -"_s);
        // A spend that overflows is no spend: the snapshot could not be stored with it.
        QCOMPARE(
            onDemand(R"({"spendLimitUsage":{"individualLimit":1.7e308,"individualRemaining":-1.7e308}})", ""),
            u"- - 0 | - -"_s);
        QCOMPARE(onDemand(R"({"spendLimitUsage":{"limitType":"user"}})",
                          R"({"individualUsage":{"onDemand":{"used":120,"limit":1000}}})"),
                 u"1.2 10 0 | - -"_s);
        // Off, or nothing said: nothing shown.
        QCOMPARE(onDemand("", R"({"individualUsage":{"onDemand":{"enabled":false,"used":99,"limit":1000}},
                             "teamUsage":{"onDemand":{}}})"),
                 u"- - 0 | - -"_s);
        QCOMPARE(onDemand(R"({"spendLimitUsage":{}})", data("service-summary.json")), u"- - 0 | - -"_s);
    }

    void eventsSplitAndSeries()
    {
        // 23:30 and 00:30 in Shanghai (UTC+8) are both on 1 May in UTC; the model comes before the intent;
        // an event without a usable time is in the split only.
        const Events events =
            eventsOf(R"([{"kind":"Included","timestamp":"2025-05-01T15:30:00Z","model":"cursor-a",
            "modelIntent":"auto","inputTokens":1},{"kind":"ON_DEMAND","timestamp":1746117000,"modelIntent":"auto",
            "inputTokens":2},{"kind":"FREE_CREDIT","timestamp":0,"eventDate":"2025-04-30T23:59:59.999+00:00",
            "inputTokens":4},{"eventDate":"nonsense","inputTokens":8},{"kind":"usage_based_included",
            "timestamp":1e300,"inputTokens":16},{"kind":"ondemand","inputTokens":32},{"kind":5,"inputTokens":64}])");
        QCOMPARE(splitTokens(events), (TokenSplit{127, 93, 34}));
        QCOMPARE(daysFromEvents(events),
                 (QList<DayUsage>{{u"2025-04-30"_s, {{u"unknown"_s, 4}}},
                                  {u"2025-05-01"_s, {{u"cursor-a"_s, 1}, {u"auto"_s, 2}}}}));
    }

    void aggregatedTotalsAndRows()
    {
        const QByteArray totals =
            R"({"totalInputTokens":100,"totalOutputTokens":"50","aggregations":[{"inputTokens":7}]})";
        QCOMPARE(tokensFromAggregated(obj(totals)), (TokenTotals{100, 50, 0, 0, 150})); // the rows left aside
        // Without totals the rows' kinds add up. Rows by tokens, equal ones in answer order; a row with
        // cents but no tokens is kept, one with neither dropped.
        const QByteArray rows =
            R"({"aggregations":[{"modelIntent":"cursor-a","inputTokens":300},{"modelIntent":
            "gemini-3","inputTokens":100,"cacheReadTokens":1},{"modelIntent":"grok-4.5","tokenUsage":{"inputTokens":300}},
            {"modelIntent":"x","totalCents":250},{"modelIntent":"y"},{"totalCents":"100"},{"model":"m","totalCents":50}]})";
        QCOMPARE(tokensFromAggregated(obj(rows)), (TokenTotals{700, 0, 1, 0, 701}));
        QCOMPARE(rowsOf(modelsFromAggregated(obj(rows))),
                 (QStringList{u"cursor-a 100 0"_s, u"grok-4.5 75 0"_s, u"gemini-3 25 0"_s, u"x 0 2.5"_s,
                              u"unknown 0 1"_s, u"m 0 0.5"_s}));
    }

    void weeklyQuota()
    {
        QCOMPARE(sand(R"({"usage_percent":12,"next_reset_timestamp_utc":"2025-05-05T00:00:00.000Z"})"),
                 u"12 2025-05-05T00:00:00.000Z"_s);
        // The camel-case keys come first; an unreadable one falls back to the snake-case one.
        QCOMPARE(sand(R"({"usagePercent":"n/a","usage_percent":4.5,"nextResetTimestampUtc":"",
                          "next_reset_timestamp_utc":1714521600000})"),
                 u"5 2024-05-01T00:00:00Z"_s);

        // Keys found at any depth of the other answers.
        QCOMPARE(search(R"({"grokWeeklyUsage":{"usedPercent":55,"resetsAt":1746662400000}})"),
                 u"55 2025-05-08T00:00:00Z"_s);
        QCOMPARE(search(R"({"weeklyLimit":40})"), u"- "_s);
        QCOMPARE(search(R"({"botWeeklyPercent":40})"), u"40 "_s);
        QCOMPARE(search(R"({"grokMessage":"1.5.0 / 40%"})"), u"40 "_s);
        QCOMPARE(search(R"({"weeklyReset":"Monday 9am"})"), u"- Monday 9am"_s);
        QCOMPARE(search(R"({"nextWeeklyReset":"Monday 9am"})"), u"- "_s);
        QCOMPARE(search(R"({"limits":[[{"grok":{"percent":"7.5","resetDate":"soon"}}]]})"), u"8 soon"_s);

        // The computed reset: the first week boundary from the cycle start after now.
        // The boundary equal to now is passed over.
        QCOMPARE(reset(1746057600000, u"2025-05-08T00:00:00Z"_s), u"2025-05-15T00:00:00Z"_s);
        QCOMPARE(reset(1746057600000, u"2025-05-14T23:59:59Z"_s), u"2025-05-15T00:00:00Z"_s);
        QCOMPARE(reset(1e300, u"2025-05-15T00:00:00Z"_s), QString());

        // Sand first, then the searched keys (the plan's over the period's), then the computed reset.
        const QByteArray period = R"({"billingCycleStart":"2025-05-01T00:00:00Z","grokPercent":1})";
        const QByteArray plan = R"({"grokPercent":2,"grokResetAt":"plan reset"})";
        QCOMPARE(figures(built(period, {}, plan, {}, R"({"usagePercent":3})")).section(u" | "_s, 1, 2),
                 u"- - 3 | plan reset"_s);
        QCOMPARE(figures(built(period, {}, plan, {})).section(u" | "_s, 1, 2), u"- - 2 | plan reset"_s);
        QCOMPARE(figures(built(period, {}, {}, {})).section(u" | "_s, 1, 2),
                 u"- - 1 | 2026-02-05T00:00:00Z"_s);
    }
};

TALLYFERN_REGISTER_TEST(TestUsageParser);
#include "TestUsageParser.moc"
