#include "ClientFixture.h"
#include "TestRegistry.h"

#include <QJsonArray>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace DashboardClient;

namespace {

constexpr double userId = 254123789;
constexpr double cycleStartMs = 1776418934000; // 2026-04-17T09:42:14Z
constexpr double cycleEndMs = 1779010934000;

QJsonObject bodyOf(const FakeService::Request& request)
{
    return parsed(request.body);
}

QList<int> teamIds(const QList<FakeService::Request>& requests)
{
    QList<int> teams;
    for (const auto& request : requests)
        teams << bodyOf(request).value("teamId"_L1).toInt(99); // 99: no team in the body
    return teams;
}

QByteArray eventPage(int events, const QJsonValue& count, const char* key = "usageEventsDisplay")
{
    QJsonArray list;
    for (int i = 0; i < events; ++i)
        list.append(QJsonObject{{"timestamp"_L1, u"1776647560000"_s},
                                {"model"_L1, u"auto"_s},
                                {"kind"_L1, u"USAGE_EVENT_KIND_INCLUDED_IN_PRO"_s},
                                {"tokenUsage"_L1, QJsonObject{{"inputTokens"_L1, u"10"_s}}}});
    QJsonObject page{{QLatin1String(key), list}};
    if (!count.isUndefined())
        page.insert("totalUsageEventsCount"_L1, count);
    return QJsonDocument(page).toJson(QJsonDocument::Compact);
}

// The base snapshot as an overview leaves it.
UsageSnapshot overview(const QString& cycleStart = u"2026-04-17T09:42:14Z"_s)
{
    UsageSnapshot base;
    base.hasRealData = true;
    base.source = u"dashboard-json"_s;
    base.updatedAt = *Timestamp::parseInternetDateTime(u"2026-04-20T01:59:00Z"_s);
    base.billingCycleStart = cycleStart;
    base.billingCycleEnd = u"2026-05-17T09:42:14Z"_s;
    base.totalTokens = 5'000'000;
    base.includedTokens = 5'000'000;
    base.monthlyUsed = 232.22;
    return base;
}

} // namespace

class TestEventFetches : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aggregatedBodies()
    {
        const auto team0 = payload(AggregatedBody::team0, userId, 1746057600000.9, -1.5);
        QCOMPARE(team0, (QJsonObject{{"teamId"_L1, 0},
                                     {"userId"_L1, userId},
                                     {"startDate"_L1, u"1746057600000"_s},
                                     {"endDate"_L1, u"-1"_s}}));
        QCOMPARE(payload(AggregatedBody::teamNeg1, userId, 1, 2)->value("teamId"_L1).toInt(), -1);
        QCOMPARE(payload(AggregatedBody::datesOnly, userId, 1, 2),
                 (QJsonObject{{"startDate"_L1, u"1"_s}, {"endDate"_L1, u"2"_s}}));
        QCOMPARE(QJsonDocument(*team0).toJson(QJsonDocument::Compact),
                 QByteArray(R"({"endDate":"-1","startDate":"1746057600000","teamId":0,"userId":254123789})"));

        QCOMPARE(aggregatedBodyFromRaw(1), AggregatedBody::teamNeg1);
        QCOMPARE(aggregatedBodyFromRaw(3), std::nullopt);
        QCOMPARE(aggregatedBodyFromRaw(-1), std::nullopt);

        // Windows no request can carry.
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QCOMPARE(payload(AggregatedBody::team0, userId, nan, 2), std::nullopt);
        QCOMPARE(payload(AggregatedBody::team0, userId, 1, 1e300), std::nullopt);
        QCOMPARE(payload(AggregatedBody::team0, userId, 1, 9223372036854775808.0), std::nullopt);
        QCOMPARE(millisecondsText(-9223372036854775808.0), std::optional(u"-9223372036854775808"_s));
    }

    void aggregatedVariantsInTurn()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();
        QCOMPARE(preferredAggregated(), AggregatedBody::team0);

        // team0 refused, teamNeg1 answers: two requests, and teamNeg1 goes first from now on.
        service.setHandler("POST", aggregatedPath, [](const FakeService::Request& request) {
            if (bodyOf(request).value("teamId"_L1).toInt(1) == 0)
                return FakeService::Answer{400, R"({"error":"bad"})", {}, 0};
            return FakeService::Answer{200, R"({"aggregations":[]})", {}, 0};
        });
        QVERIFY(await(fetchAggregated(userId, cycleStartMs, cycleEndMs)));
        QCOMPARE(teamIds(service.requests(aggregatedPath)), (QList<int>{0, -1}));
        QCOMPARE(preferredAggregated(), AggregatedBody::teamNeg1);
        service.clearRequests();
        QVERIFY(await(fetchAggregated(userId, cycleStartMs, cycleEndMs)));
        QCOMPARE(teamIds(service.requests(aggregatedPath)), (QList<int>{-1}));

        // No variant gives usage: all three are tried, nothing comes back, the preference stays.
        service.clearRequests();
        service.setJson("POST", aggregatedPath, R"({"other":1})");
        QCOMPARE(await(fetchAggregated(userId, cycleStartMs, cycleEndMs)), std::nullopt);
        QCOMPARE(teamIds(service.requests(aggregatedPath)), (QList<int>{-1, 0, 99}));
        QCOMPARE(preferredAggregated(), AggregatedBody::teamNeg1);

        // Only the window alone works: datesOnly moves to the front, the others keep their order.
        service.setHandler("POST", aggregatedPath, [](const FakeService::Request& request) {
            if (bodyOf(request).contains("teamId"_L1))
                return FakeService::Answer{500, {}, {}, 0};
            return FakeService::Answer{200, R"({"totalInputTokens":0})", {}, 0};
        });
        QVERIFY(await(fetchAggregated(userId, cycleStartMs, cycleEndMs)));
        QCOMPARE(preferredAggregated(), AggregatedBody::datesOnly);
        service.clearRequests();
        service.setJson("POST", aggregatedPath, "{}");
        await(fetchAggregated(userId, cycleStartMs, cycleEndMs));
        QCOMPARE(teamIds(service.requests(aggregatedPath)), (QList<int>{99, 0, -1}));
    }

    void aggregatedExpiredCookieStopsAtOnce()
    {
        ClientFixture fixture;
        fixture.service().setAnswer("POST", aggregatedPath, {401, {}, {}, 0});
        QCOMPARE(dashboardErrorOf(fetchAggregated(userId, cycleStartMs, cycleEndMs)),
                 DashboardError::unauthorized());
        QCOMPARE(fixture.service().requests(aggregatedPath).size(), 1);

        // A window no request can carry is not asked for.
        QCOMPARE(await(fetchAggregated(userId, std::numeric_limits<double>::infinity(), cycleEndMs)),
                 std::nullopt);
        QCOMPARE(fixture.service().requests(aggregatedPath).size(), 1);
    }

    void eventPageBodies()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();
        // The body with a team is refused: the page is asked again without it, and later pages
        // (and later fetches) start without it.
        service.setHandler("POST", eventsPath, [](const FakeService::Request& request) {
            if (bodyOf(request).contains("teamId"_L1))
                return FakeService::Answer{400, {}, {}, 0};
            return FakeService::Answer{200, R"({"usageEventsDisplay":[]})", {}, 0};
        });
        QVERIFY(await(fetchEventPage(userId, cycleStartMs + 0.7, cycleEndMs, 1)));
        QVERIFY(!eventsUseTeamId());
        QVERIFY(await(fetchEventPage(userId, cycleStartMs, cycleEndMs, 2)));

        const auto requests = service.requests(eventsPath);
        QCOMPARE(requests.size(), 3);
        QCOMPARE(bodyOf(requests[0]), (QJsonObject{{"teamId"_L1, 0},
                                                   {"userId"_L1, userId},
                                                   {"startDate"_L1, u"1776418934000"_s},
                                                   {"endDate"_L1, u"1779010934000"_s},
                                                   {"page"_L1, 1},
                                                   {"pageSize"_L1, 200}}));
        QCOMPARE(bodyOf(requests[1]), (QJsonObject{{"userId"_L1, userId},
                                                   {"startDate"_L1, u"1776418934000"_s},
                                                   {"endDate"_L1, u"1779010934000"_s},
                                                   {"page"_L1, 1},
                                                   {"pageSize"_L1, 200}}));
        QCOMPARE(bodyOf(requests[2]).value("page"_L1).toInt(), 2);
        QVERIFY(!bodyOf(requests[2]).contains("teamId"_L1));
    }

    void eventPageFailures()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();

        // Both bodies fail: no page, and the other body is the one tried first next time.
        service.setAnswer("POST", eventsPath, {500, {}, {}, 0});
        QCOMPARE(await(fetchEventPage(userId, cycleStartMs, cycleEndMs, 1)), std::nullopt);
        QCOMPARE(service.requests(eventsPath).size(), 2);
        QVERIFY(!eventsUseTeamId());

        // An expired cookie on the first attempt ends it there.
        service.clearRequests();
        service.setAnswer("POST", eventsPath, {401, {}, {}, 0});
        QCOMPARE(dashboardErrorOf(fetchEventPage(userId, cycleStartMs, cycleEndMs, 1)),
                 DashboardError::unauthorized());
        QCOMPARE(service.requests(eventsPath).size(), 1);

        // ...and on the second attempt too.
        service.clearRequests();
        service.setHandler("POST", eventsPath, [](const FakeService::Request& request) {
            return FakeService::Answer{bodyOf(request).contains("teamId"_L1) ? 401 : 500, {}, {}, 0};
        });
        QCOMPARE(dashboardErrorOf(fetchEventPage(userId, cycleStartMs, cycleEndMs, 1)),
                 DashboardError::unauthorized());
        QCOMPARE(service.requests(eventsPath).size(), 2);
    }

    void paging_data()
    {
        QTest::addColumn<QList<int>>("pages"); // events on each page the service has
        QTest::addColumn<QJsonValue>("count"); // "totalUsageEventsCount"
        QTest::addColumn<int>("maxPages");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("events");
        QTest::newRow("all on one page") << QList<int>{150} << QJsonValue(150) << 2 << 1 << 150;
        QTest::newRow("busy cycle") << QList<int>{200, 200, 200} << QJsonValue(1000) << 2 << 2 << 400;
        QTest::newRow("busy day") << QList<int>{200, 200} << QJsonValue(1000) << 1 << 1 << 200;
        QTest::newRow("no count") << QList<int>{200, 200} << QJsonValue(QJsonValue::Undefined) << 2 << 1
                                  << 200;
        QTest::newRow("count as text") << QList<int>{200, 50} << QJsonValue(u"250"_s) << 2 << 2 << 250;
        QTest::newRow("empty page stops") << QList<int>{200, 0} << QJsonValue(1000) << 3 << 2 << 200;
        QTest::newRow("absurd count") << QList<int>{200, 200} << QJsonValue(1e300) << 2 << 1 << 200;
        QTest::newRow("no pages wanted") << QList<int>{200} << QJsonValue(200) << 0 << 0 << 0;
    }

    void paging()
    {
        QFETCH(QList<int>, pages);
        QFETCH(QJsonValue, count);
        QFETCH(int, maxPages);
        QFETCH(int, requests);
        QFETCH(int, events);
        ClientFixture fixture;
        fixture.service().setHandler("POST", eventsPath, [pages, count](const FakeService::Request& request) {
            const int page = bodyOf(request).value("page"_L1).toInt();
            return FakeService::Answer{200, eventPage(pages.value(page - 1), count), {}, 0};
        });

        QCOMPARE(await(fetchEvents(userId, cycleStartMs, cycleEndMs, maxPages)).size(), events);
        const auto sent = fixture.service().requests(eventsPath);
        QCOMPARE(sent.size(), requests);
        for (int i = 0; i < sent.size(); ++i)
            QCOMPARE(bodyOf(sent[i]).value("page"_L1).toInt(), i + 1);
    }

    void pageContents()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();
        // "usageEvents" when "usageEventsDisplay" is missing; elements that are not objects dropped.
        service.setJson(
            "POST", eventsPath,
            R"({"totalUsageEventsCount":3,"usageEvents":[{"model":"a"},7,"x",null,{"model":"b"}]})");
        const Events events = await(fetchEvents(userId, cycleStartMs, cycleEndMs, 1));
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[1].value("model"_L1).toString(), u"b"_s);

        // A page without a list counts as empty; a failed page ends the fetch with what came before.
        service.setJson("POST", eventsPath, R"({"totalUsageEventsCount":3})");
        QVERIFY(await(fetchEvents(userId, cycleStartMs, cycleEndMs, 2)).isEmpty());
        service.setHandler("POST", eventsPath, [](const FakeService::Request& request) {
            if (bodyOf(request).value("page"_L1).toInt() == 2)
                return FakeService::Answer{500, {}, {}, 0};
            return FakeService::Answer{200, eventPage(200, 1000), {}, 0};
        });
        QCOMPARE(await(fetchEvents(userId, cycleStartMs, cycleEndMs, 2)).size(), 200);
    }

    void eventPatch()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();
        service.setJson("GET", mePath, serviceData("service-me.json"));
        const QByteArray cycle = serviceData("service-events.json");
        const QByteArray today = serviceData("service-events-today.json");
        service.setHandler("POST", eventsPath, [cycle, today](const FakeService::Request& request) {
            const bool cycleWindow = bodyOf(request).value("startDate"_L1).toString() == "1776418934000"_L1;
            return FakeService::Answer{200, cycleWindow ? cycle : today, {}, 0};
        });

        const UsageSnapshot base = overview();
        const UsageSnapshot patched = await(fetchEventPatch(base));

        // No user id yet: me first, then the cycle's page, then today's, one after the other.
        const auto requests = service.requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[0].path, QByteArray(mePath));
        QCOMPARE(bodyOf(requests[1]).value("startDate"_L1).toString(), u"1776418934000"_s);
        QCOMPARE(bodyOf(requests[1]).value("endDate"_L1).toString(), u"1779010934000"_s);
        QCOMPARE(bodyOf(requests[2]).value("startDate"_L1).toString(), u"1776614400000"_s); // local midnight
        QCOMPARE(bodyOf(requests[2]).value("endDate"_L1).toString(), u"1776650400000"_s);   // now
        QVERIFY(requests[1].answeredMs <= requests[2].arrivedMs);
        QCOMPARE(lastUserId(), std::optional(254123789.0));

        // The split of the cycle's events; the overview's larger total stays.
        QCOMPARE(patched.totalTokens, 5'000'000.0);
        QCOMPARE(patched.includedTokens, 45'700.0); // included in Pro, and the errored 700
        QCOMPARE(patched.onDemandTokens, 214'539.0);
        QCOMPARE(patched.todayTokens, (TokenTotals{23645, 2683, 217303, 12908, 256539}));
        QCOMPARE(patched.days.size(), 4); // UTC days 17th to 20th
        QCOMPARE(patched.days.first().date, u"2026-04-17"_s);
        QCOMPARE(patched.days.last().date, u"2026-04-20"_s);
        QCOMPARE(patched.days.last().models.value(u"claude-4.5-sonnet-thinking"_s), 211'539.0);

        UsageSnapshot unchanged = patched;
        unchanged.includedTokens = base.includedTokens;
        unchanged.onDemandTokens = base.onDemandTokens;
        unchanged.todayTokens = base.todayTokens;
        unchanged.days = base.days;
        QCOMPARE(unchanged, base);

        // The user id is known now.
        service.clearRequests();
        await(fetchEventPatch(base));
        QCOMPARE(service.requests(mePath).size(), 0);
        QCOMPARE(service.requests(eventsPath).size(), 2);
    }

    void patchTotalsGrowWithEvents()
    {
        ClientFixture fixture;
        fixture.service().setJson("GET", mePath, R"({"id":"7"})");
        fixture.service().setJson("POST", eventsPath, serviceData("service-events.json"));
        UsageSnapshot base = overview();
        base.totalTokens = 1000;
        QCOMPARE(await(fetchEventPatch(base)).totalTokens, 260'239.0);
        QCOMPARE(lastUserId(), std::optional(7.0));
    }

    void cycleBeganToday()
    {
        // The cycle started at 04:00 local time today: its events are today's, asked for once.
        ClientFixture fixture;
        fixture.service().setJson("GET", mePath, serviceData("service-me.json"));
        fixture.service().setJson("POST", eventsPath, serviceData("service-events.json"));
        const UsageSnapshot patched = await(fetchEventPatch(overview(u"2026-04-19T20:00:00Z"_s)));
        QCOMPARE(fixture.service().requests(eventsPath).size(), 1);
        QCOMPARE(patched.todayTokens.total, 260'239.0);

        // Exactly twelve hours before today's start is not "today" any more.
        fixture.service().clearRequests();
        await(fetchEventPatch(overview(u"2026-04-19T04:00:00Z"_s)));
        QCOMPARE(fixture.service().requests(eventsPath).size(), 2);
    }

    void unknownCycleStartsWithTheMonth()
    {
        ClientFixture fixture;
        fixture.service().setJson("GET", mePath, serviceData("service-me.json"));
        fixture.service().setJson("POST", eventsPath, R"({"usageEventsDisplay":[]})");
        UsageSnapshot base = overview(QString());
        base.billingCycleEnd.clear();
        await(fetchEventPatch(base));
        const auto requests = fixture.service().requests(eventsPath);
        QCOMPARE(bodyOf(requests.at(0)).value("startDate"_L1).toString(), u"1774972800000"_s);
        QCOMPARE(bodyOf(requests.at(0)).value("endDate"_L1).toString(), u"1776650400000"_s);
    }

    void patchWithoutEvents()
    {
        ClientFixture fixture;
        fixture.service().setJson("GET", mePath, serviceData("service-me.json"));
        fixture.service().setAnswer("POST", eventsPath, {500, {}, {}, 0});
        UsageSnapshot base = overview();
        base.onDemandTokens = 12;
        base.todayTokens = TokenTotals{1, 1, 1, 1, 4};
        base.days = {DayUsage{u"2026-04-01"_s, {{u"auto"_s, 3.0}}}};
        const UsageSnapshot patched = await(fetchEventPatch(base));
        QCOMPARE(patched.includedTokens, base.includedTokens);
        QCOMPARE(patched.onDemandTokens, 12.0);
        QCOMPARE(patched.todayTokens, TokenTotals{});
        QVERIFY(patched.days.isEmpty());
    }

    void patchFailures()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();
        service.setJson("GET", mePath, R"({"email":"a@b.c"})");
        QCOMPARE(dashboardErrorOf(fetchEventPatch(overview())), DashboardError::unauthorized());

        service.setJson("GET", mePath, serviceData("service-me.json"));
        service.setAnswer("POST", eventsPath, {403, {}, {}, 0});
        QCOMPARE(dashboardErrorOf(fetchEventPatch(overview())), DashboardError::unauthorized());

        service.clearRequests();
        fixture.store().remove();
        QCOMPARE(dashboardErrorOf(fetchEventPatch(overview())), DashboardError::noSession());
        QVERIFY(service.requests().isEmpty());
    }
};

TALLYFERN_REGISTER_TEST(TestEventFetches);
#include "TestEventFetches.moc"
