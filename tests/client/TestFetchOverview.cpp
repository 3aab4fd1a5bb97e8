#include "ClientFixture.h"
#include "TestRegistry.h"

#include "client/TransportError.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>

using namespace Qt::StringLiterals;
using namespace DashboardClient;

namespace {

// 2026-04-01T00:00:00+08:00 and the pinned now, 2026-04-20T10:00:00+08:00.
constexpr auto monthStartText = "1774972800000";
constexpr auto nowText = "1776650400000";

QJsonObject bodyOf(const FakeService::Request& request)
{
    return parsed(request.body);
}

// A whole account as the service answers it: a billing cycle from the 17th, the month's aggregated
// answer for a window starting at the calendar month, the cycle's for any other window.
void scriptAccount(FakeService& service, int delayMs = 0)
{
    service.setJson("GET", "/api/auth/me", serviceData("service-me.json"), delayMs);
    service.setJson("POST", periodPath, serviceData("service-period.json"), delayMs);
    service.setJson("POST", planPath, serviceData("service-plan.json"), delayMs);
    service.setJson("POST", sandPath, serviceData("service-sand.json"), delayMs);
    service.setJson("GET", summaryPath, serviceData("service-summary.json"), delayMs);
    const QByteArray month = serviceData("service-aggregated-month.json");
    const QByteArray cycle = serviceData("service-aggregated.json");
    service.setHandler("POST", aggregatedPath, [=](const FakeService::Request& request) {
        const bool monthWindow =
            bodyOf(request).value("startDate"_L1).toString() == QLatin1String(monthStartText);
        return FakeService::Answer{200, monthWindow ? month : cycle, {}, delayMs};
    });
}

QByteArray periodStarting(const QByteArray& start, const QByteArray& end = R"("1777564800000")")
{
    return R"({"billingCycleStart":)" + start + R"(,"billingCycleEnd":)" + end +
           R"(,"planUsage":{"includedSpend":1244,"limit":4000}})";
}

} // namespace

class TestFetchOverview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cycleFromThe17th()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();
        scriptAccount(service);

        const UsageSnapshot snapshot = await(fetchOverview());

        QCOMPARE(service.requests("/api/auth/me").size(), 1);
        QCOMPARE(service.requests(periodPath).size(), 1);
        QCOMPARE(service.requests(planPath).size(), 1);
        QCOMPARE(service.requests(sandPath).size(), 1);
        QVERIFY(service.requests(summaryPath).isEmpty()); // period answered
        for (const char* path : {periodPath, planPath, sandPath})
            QCOMPARE(service.requests(path).at(0).body, QByteArray("{}"));

        const auto aggregated = service.requests(aggregatedPath);
        QCOMPARE(aggregated.size(), 2);
        QCOMPARE(bodyOf(aggregated[0]), (QJsonObject{{"teamId"_L1, 0},
                                                     {"userId"_L1, 254123789},
                                                     {"startDate"_L1, QLatin1String(monthStartText)},
                                                     {"endDate"_L1, QLatin1String(nowText)}}));
        // The cycle's own window, up to the cycle end, which lies after now.
        QCOMPARE(bodyOf(aggregated[1]), (QJsonObject{{"teamId"_L1, 0},
                                                     {"userId"_L1, 254123789},
                                                     {"startDate"_L1, u"1776418934000"_s},
                                                     {"endDate"_L1, u"1779010934000"_s}}));

        QCOMPARE(lastUserId(), std::optional(254123789.0));
        QCOMPARE(snapshot.monthlyUsed, 232.22);
        QCOMPARE(snapshot.monthlyLimit, 400.0);
        QCOMPARE(snapshot.planName, u"Pro+"_s);
        QCOMPARE(snapshot.billingCycleStart, u"2026-04-17T09:42:14Z"_s);
        QCOMPARE(snapshot.billingCycleEnd, u"2026-05-17T09:42:14Z"_s);
        QCOMPARE(snapshot.grokWeeklyPercent, std::optional<qint64>(38));
        // The cycle's answer, not the month's.
        QCOMPARE(snapshot.tokens, (TokenTotals{1993661, 646757, 48752358, 1290817, 52683593}));
        QCOMPARE(snapshot.models.size(), 3);
        QCOMPARE(snapshot.updatedAt, Clock::now());
        // Event-derived figures wait for the patch.
        QVERIFY(snapshot.days.isEmpty());
        QCOMPARE(snapshot.todayTokens, TokenTotals{});
    }

    void cycleNearTheMonthStart_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<int>("aggregatedRequests");
        QTest::newRow("local midnight of the 1st") << QByteArray(R"("1774972800000")") << 1;
        QTest::newRow("UTC midnight, 8 h later") << QByteArray(R"("2026-04-01T00:00:00.000Z")") << 1;
        QTest::newRow("exactly 12 h later") << QByteArray("1775016000000") << 1;
        QTest::newRow("12 h and 1 ms later") << QByteArray("1775016000001") << 2;
        QTest::newRow("12 h and 1 s earlier, in seconds") << QByteArray("1774929599") << 2;
        QTest::newRow("no cycle start") << QByteArray("null") << 1;
        // No request can carry such a window: the month's answer stands.
        QTest::newRow("absurd cycle start") << QByteArray("1e300") << 1;
    }

    void cycleNearTheMonthStart()
    {
        QFETCH(QByteArray, start);
        QFETCH(int, aggregatedRequests);
        ClientFixture fixture;
        scriptAccount(fixture.service());
        fixture.service().setJson("POST", periodPath, periodStarting(start));

        const UsageSnapshot snapshot = await(fetchOverview());
        QCOMPARE(fixture.service().requests(aggregatedPath).size(), aggregatedRequests);
        if (aggregatedRequests == 1)
            QCOMPARE(snapshot.tokens.input, 5004.0); // the month's answer
    }

    void cycleThatEndedBeforeNow()
    {
        ClientFixture fixture;
        scriptAccount(fixture.service());
        fixture.service().setJson("POST", periodPath,
                                  periodStarting(R"("1773740534000")", R"("2026-04-17T09:42:14.000Z")"));
        await(fetchOverview());
        const auto aggregated = fixture.service().requests(aggregatedPath);
        QCOMPARE(aggregated.size(), 2);
        QCOMPARE(bodyOf(aggregated[1]).value("startDate"_L1).toString(), u"1773740534000"_s);
        QCOMPARE(bodyOf(aggregated[1]).value("endDate"_L1).toString(), QLatin1String(nowText));
    }

    void requestsOverlap()
    {
        // me answers first; the other three are still waited for when the month's aggregated
        // request goes out.
        ClientFixture fixture;
        FakeService& service = fixture.service();
        scriptAccount(service, 400);
        service.setJson("GET", "/api/auth/me", serviceData("service-me.json"), 100);
        service.setJson("POST", aggregatedPath, serviceData("service-aggregated.json"), 50);
        service.setJson("POST", periodPath, periodStarting(R"("1774972800000")"), 400);

        await(fetchOverview());
        const auto me = service.requests("/api/auth/me").at(0);
        const auto aggregated = service.requests(aggregatedPath);
        QCOMPARE(aggregated.size(), 1);
        for (const char* path : {periodPath, planPath, sandPath}) {
            const auto optional = service.requests(path).at(0);
            QVERIFY2(optional.arrivedMs < me.answeredMs, path); // started together with me
            QVERIFY2(aggregated[0].arrivedMs < optional.answeredMs, path);
        }
        QVERIFY(aggregated[0].arrivedMs >= me.answeredMs); // needs the user id
    }

    void summaryStandsInForPeriod()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();
        scriptAccount(service);
        service.setAnswer("POST", periodPath, {500, R"({"error":"internal"})", {}, 0});

        const UsageSnapshot snapshot = await(fetchOverview());
        QCOMPARE(service.requests(summaryPath).size(), 1);
        QCOMPARE(service.requests(summaryPath).at(0).method, QByteArray("GET"));
        QCOMPARE(snapshot.monthlyUsed, 232.22); // individualUsage.plan.used
        QCOMPARE(snapshot.billingCycleStart, u"2026-04-17T09:42:14Z"_s);
        // The summary's cycle also needs its own aggregated window.
        QCOMPARE(service.requests(aggregatedPath).size(), 2);
    }

    void enterprisePeriodWithOnlyCycleBounds()
    {
        ClientFixture fixture;
        scriptAccount(fixture.service());
        fixture.service().setJson("POST", periodPath, serviceData("service-period-enterprise.json"));

        const UsageSnapshot snapshot = await(fetchOverview());
        QVERIFY(fixture.service().requests(summaryPath).isEmpty());
        QCOMPARE(snapshot.monthlyLimit, 400.0); // the plan's included amount
        QCOMPARE(snapshot.monthlyUsed, 0.0);
        QCOMPARE(snapshot.billingCycleStart, u"2026-04-17T09:42:14Z"_s);
        QCOMPARE(fixture.service().requests(aggregatedPath).size(), 2);
    }

    void userIdAsText()
    {
        ClientFixture fixture;
        scriptAccount(fixture.service());
        fixture.service().setJson("GET", "/api/auth/me", R"({"id":"254123789","email":"a@b.c"})");
        await(fetchOverview());
        QCOMPARE(lastUserId(), std::optional(254123789.0));
        QCOMPARE(bodyOf(fixture.service().requests(aggregatedPath).at(0)).value("userId"_L1).toDouble(),
                 254123789.0);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        QTest::newRow("me 401") << QByteArray("GET") << QByteArray(mePath) << 401 << QByteArray()
                                << u"unauthorized"_s;
        QTest::newRow("me without id")
            << QByteArray("GET") << QByteArray(mePath) << 200 << QByteArray("{}") << u"unauthorized"_s;
        QTest::newRow("me 500") << QByteArray("GET") << QByteArray(mePath) << 500 << QByteArray()
                                << u"读取 /api/auth/me 失败"_s;
        QTest::newRow("me not json") << QByteArray("GET") << QByteArray(mePath) << 200 << QByteArray("<html>")
                                     << u"transport"_s;
        QTest::newRow("period 401") << QByteArray("POST") << QByteArray(periodPath) << 401 << QByteArray()
                                    << u"unauthorized"_s;
        QTest::newRow("plan 403") << QByteArray("POST") << QByteArray(planPath) << 403 << QByteArray()
                                  << u"unauthorized"_s;
        QTest::newRow("sand 204") << QByteArray("POST") << QByteArray(sandPath) << 204 << QByteArray()
                                  << u"unauthorized"_s;
        QTest::newRow("aggregated 401")
            << QByteArray("POST") << QByteArray(aggregatedPath) << 401 << QByteArray() << u"unauthorized"_s;
    }

    void failures()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, path);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        ClientFixture fixture;
        scriptAccount(fixture.service());
        fixture.service().setAnswer(method, path, {status, body, {}, 0});

        const std::exception_ptr failure = failureOf(fetchOverview());
        QVERIFY(failure);
        try {
            std::rethrow_exception(failure);
        } catch (const DashboardError& thrown) {
            QCOMPARE(thrown.kind() == DashboardError::Kind::unauthorized ? u"unauthorized"_s
                                                                         : thrown.description(),
                     error);
        } catch (const TransportError&) {
            QCOMPARE(u"transport"_s, error);
        }
    }

    void expiredCookieInTheSummary()
    {
        ClientFixture fixture;
        scriptAccount(fixture.service());
        fixture.service().setAnswer("POST", periodPath, {500, {}, {}, 0});
        fixture.service().setAnswer("GET", summaryPath, {401, {}, {}, 0});
        QCOMPARE(dashboardErrorOf(fetchOverview()), DashboardError::unauthorized());
    }

    void noUsageAnswerAtAll()
    {
        ClientFixture fixture;
        scriptAccount(fixture.service());
        for (const auto& [method, path] :
             {std::pair{"POST", periodPath}, {"GET", summaryPath}, {"POST", aggregatedPath}})
            fixture.service().setAnswer(method, path, {500, {}, {}, 0});
        QCOMPARE(dashboardErrorOf(fetchOverview()), DashboardError::empty());
        QCOMPARE(fixture.service().requests(aggregatedPath).size(), 3); // every body variant was tried
    }

    void noTokenNoRequest()
    {
        ClientFixture fixture;
        scriptAccount(fixture.service());
        fixture.store().remove();
        QCOMPARE(dashboardErrorOf(fetchOverview()), DashboardError::noSession());
        QVERIFY(fixture.service().requests().isEmpty());
    }

    void answersAreTakenInOrder()
    {
        // period's expired cookie arrives first, but me is awaited first and its failure wins.
        ClientFixture fixture;
        scriptAccount(fixture.service());
        fixture.service().setAnswer("GET", "/api/auth/me", {500, {}, {}, 200});
        fixture.service().setAnswer("POST", periodPath, {401, {}, {}, 0});
        QCOMPARE(dashboardErrorOf(fetchOverview()), DashboardError::requestFailed(u"/api/auth/me"_s));
    }

    void failureStopsTheRest()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();
        scriptAccount(service, 2000);
        service.setJson("GET", "/api/auth/me", serviceData("service-me.json"));
        service.setAnswer("POST", periodPath, {401, {}, {}, 100});

        QCOMPARE(dashboardErrorOf(fetchOverview()), DashboardError::unauthorized());
        // The refresh ended without waiting for the slow answers, and the aggregated fetch did not
        // go on to another body once its request was stopped.
        for (const char* path : {planPath, sandPath, aggregatedPath}) {
            QCOMPARE(service.requests(path).size(), 1);
            QCOMPARE(service.requests(path).at(0).answeredMs, 0);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QNetworkAccessManager* manager : qApp->findChildren<QNetworkAccessManager*>())
            QVERIFY(manager->findChildren<QNetworkReply*>().isEmpty());
        QCOMPARE(lastUserId(), std::optional(254123789.0));
    }

    void aggregatedBodyIsRemembered()
    {
        // team0 is refused; teamNeg1 works for the month and is tried first for the cycle.
        ClientFixture fixture;
        FakeService& service = fixture.service();
        scriptAccount(service);
        const QByteArray cycle = serviceData("service-aggregated.json");
        service.setHandler("POST", aggregatedPath, [cycle](const FakeService::Request& request) {
            if (bodyOf(request).value("teamId"_L1).toInt(1) == 0)
                return FakeService::Answer{400, R"({"error":"bad team"})", {}, 0};
            return FakeService::Answer{200, cycle, {}, 0};
        });

        await(fetchOverview());
        QList<int> teams;
        for (const auto& request : service.requests(aggregatedPath))
            teams << bodyOf(request).value("teamId"_L1).toInt(99);
        QCOMPARE(teams, (QList<int>{0, -1, -1}));
        QCOMPARE(preferredAggregated(), AggregatedBody::teamNeg1);
    }
};

TALLYFERN_REGISTER_TEST(TestFetchOverview);
#include "TestFetchOverview.moc"
