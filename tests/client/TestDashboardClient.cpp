#include "ClientFixture.h"
#include "TestRegistry.h"

#include "platform/Clock.h"

using namespace Qt::StringLiterals;
using namespace DashboardClient;

namespace {

// From 2026-04-01T00:00:00+08:00 to the pinned now, 2026-04-20T10:00:00+08:00; the billing cycle
// from the 17th; today from local midnight to now.
const QString monthWindow = u"1774972800000-1776650400000"_s;
const QString cycleWindow = u"1776418934000-1779010934000"_s;
const QString todayWindow = u"1776614400000-1776650400000"_s;
const QString window = u"startDate-endDate"_s; // as sent()'s keys
constexpr double userId = 254123789, cycleStartMs = 1776418934000, cycleEndMs = 1779010934000;

// A whole account as the service answers it: the cycle from the 17th, the month's aggregated answer
// for the month's window and the cycle's for any other, the cycle's events and today's.
void scriptAccount(FakeService& service, int delayMs = 0)
{
    service.setJson("GET", mePath, data("service-me.json"), delayMs);
    service.setJson("POST", periodPath, data("service-period.json"), delayMs);
    service.setJson("POST", planPath, data("service-plan.json"), delayMs);
    service.setJson("POST", sandPath, data("service-sand.json"), delayMs);
    service.setJson("GET", summaryPath, data("service-summary.json"), delayMs);
    const QByteArray month = data("service-aggregated-month.json"), cycle = data("service-aggregated.json");
    const QByteArray events = data("service-events.json"), today = data("service-events-today.json");
    service.setHandler("POST", aggregatedPath, [=](const FakeService::Request& request) {
        const bool monthStart = obj(request.body).value("startDate"_L1).toString() == monthWindow.left(13);
        return FakeService::Answer{200, monthStart ? month : cycle, {}, delayMs};
    });
    service.setHandler("POST", eventsPath, [=](const FakeService::Request& request) {
        const bool todayStart = obj(request.body).value("startDate"_L1).toString() == todayWindow.left(13);
        return FakeService::Answer{200, todayStart ? today : events, {}, delayMs};
    });
}

// A coroutine, so that a request that cannot be built fails inside the task. Built in a statement
// of its own: GCC 12 destroys a temporary argument inside an await twice (GCC bug 99576).
QCoro::Task<QJsonObject> get(QString token, ClientStateRef state, QString path)
{
    PreparedRequest prepared = request(token, path, "GET");
    co_return co_await send(std::move(prepared), std::move(state));
}

// The base snapshot as an overview leaves it.
UsageSnapshot overview(const QString& start = u"2026-04-17T09:42:14Z"_s, double totalTokens = 5'000'000)
{
    UsageSnapshot base;
    base.billingCycleStart = start;
    base.billingCycleEnd = start.isEmpty() ? QString() : u"2026-05-17T09:42:14Z"_s;
    base.totalTokens = base.includedTokens = totalTokens;
    return base;
}

} // namespace

class TestDashboardClient : public QObject
{
    Q_OBJECT

    std::optional<ClientFixture> f;

    // The method, the body and the headers the client sets, of the first request to a path.
    QByteArray seen(const char* path) const
    {
        const FakeService::Request request = f->service.requests(path).value(0);
        QByteArrayList list{request.method, request.body};
        for (const char* name : {"accept", "origin", "referer", "cookie", "content-type"})
            list << request.headers.value(name);
        return list.join('|');
    }

    // What a required and an optional GET come to.
    QString both(const QString& path)
    {
        return outcomeOf(get(f->session, f->state, path)) + u' ' +
               outcomeOf(optionalGet(f->session, f->state, path));
    }

    // Answers the bodies sent to a path by their team id ("0", "-1", "none"): the status given for
    // it, else 200.
    void answerByTeam(const char* path, const QMap<QString, int>& statuses, const QByteArray& body)
    {
        f->service.setHandler("POST", path, [=](const FakeService::Request& request) {
            const QString team = obj(request.body).toVariantMap().value(u"teamId"_s, u"none"_s).toString();
            return FakeService::Answer{statuses.value(team, 200), body, {}, 0};
        });
    }

    // Two refreshes, one with the required me and one with the optional plan answering this
    // instead: the outcome of each.
    QString answering(int status, const QByteArray& body = {})
    {
        QStringList outcomes;
        for (const char* path : {mePath, planPath}) {
            scriptAccount(f->service);
            f->service.setAnswer(path == mePath ? "GET" : "POST", path, {status, body, {}, 0});
            outcomes << outcomeOf(fetchOverview(f->session, f->state));
        }
        return outcomes.join(u' ');
    }

    // The cycle's events, up to maxPages, from a service with these many events on its pages (-1:
    // the page fails) and this "totalUsageEventsCount": how many came, and the pages asked for.
    QString paging(const QList<int>& pages, const QByteArray& count, int maxPages)
    {
        const QByteArray tail = count.isEmpty() ? "]}"_ba : "],\"totalUsageEventsCount\":" + count + '}';
        f->service.setHandler("POST", eventsPath, [pages, tail](const FakeService::Request& request) {
            const int events = pages.value(obj(request.body).value("page"_L1).toInt() - 1);
            // The list under its older name.
            const QByteArray page =
                "{\"usageEvents\":[" + QByteArrayList(qMax(events, 0), "{}").join(',') + tail;
            return FakeService::Answer{events < 0 ? 500 : 200, page, {}, 0};
        });
        f->service.clearRequests();
        const qsizetype events =
            await(fetchEvents(f->session, f->state, userId, cycleStartMs, cycleEndMs, maxPages)).size();
        return QString::number(events) + u": " + f->sent(eventsPath, u"page"_s);
    }

private Q_SLOTS:
    void init() { scriptAccount(f.emplace().service); }
    void cleanup() { f.reset(); }

    void requestsThatAreNeverSent()
    {
        // No token, or one that would break the header line, is no session: nothing is sent.
        f->session.clear();
        QCOMPARE(both(u"/api/x"_s), u"noSession absent"_s);
        f->session = u"tok\r\nX-Injected: 1"_s;
        QCOMPARE(outcomeOf(fetchOverview(f->session, f->state)) + u' ' +
                     outcomeOf(fetchEventPatch(f->session, f->state, {})),
                 u"noSession noSession"_s);
        QVERIFY(f->service.requests().isEmpty());
        // A refused TALLYFERN_SERVICE_ORIGIN is no origin: no request is even made, for any address
        // (the refusal's text is TestNetworkAccess's).
        qputenv("TALLYFERN_SERVICE_ORIGIN", "http://localhost.");
        QCOMPARE(outcomeOf(get(QString::fromLatin1(ClientFixture::token), f->state, u"/api/x"_s)),
                 u"originRefused"_s);
    }

    void redirectsTimeoutsAndSizeLimit()
    {
        // A redirect to another origin, which the transport refuses (TestNetworkAccess), fails the
        // request like any other failure.
        f->service.setAnswer("GET", "/api/away", {302, {}, {{"Location", "http://192.0.2.1/x"}}, 0});
        QCOMPARE(both(u"/api/away"_s), u"读取 /api/away 失败 absent"_s);

        // Short stand-ins for the 60 s timeout and the 32 MiB limit of real use.
        Testing::setLimits(300, 1000);
        f->service.setJson("GET", "/api/slow", "{}", 1500);
        f->service.setJson("GET", "/api/x", '{' + QByteArray(900, ' ') + '}');
        f->service.setJson("GET", "/api/big", '{' + QByteArray(4000, ' ') + '}');
        QCOMPARE(outcomeOf(get(f->session, f->state, u"/api/slow"_s)) + u' ' +
                     outcomeOf(get(f->session, f->state, u"/api/x"_s)),
                 u"timeout ok"_s);
        QCOMPARE(both(u"/api/big"_s), u"读取 /api/big 失败 absent"_s);
    }

    void statusesAndBodies()
    {
        // An expired cookie on period ends the refresh although me answered, without waiting for the
        // slow answers; the aggregated fetch does not go on to another body once it is stopped. First,
        // while no request of a stopped refresh can still come in late.
        scriptAccount(f->service, 2000);
        f->service.setJson("GET", mePath, data("service-me.json"));
        f->service.setAnswer("POST", periodPath, {401, {}, {}, 100});
        QCOMPARE(f->run([this] { return fetchOverview(f->session, f->state); }, aggregatedPath, u"teamId"_s),
                 u"unauthorized: 0"_s);
        for (const char* path : {planPath, sandPath, aggregatedPath})
            QCOMPARE(f->service.requests(path).at(0).answeredMs, 0);
        // Then what each answer comes to for the required me and the optional plan.
        const QString unauthorized = u"unauthorized unauthorized"_s, failed = u"读取 /api/auth/me 失败 ok"_s;
        QCOMPARE(answering(204), unauthorized);
        QCOMPARE(answering(401, R"({"error":"unauthorized"})"), unauthorized);
        QCOMPARE(answering(403), unauthorized);
        QCOMPARE(answering(404, "{}"), failed);
        QCOMPARE(answering(200), failed); // an empty body
        QCOMPARE(answering(200, "[{}]"), failed);
        QCOMPARE(answering(200, "<html>"), u"transport ok"_s);
        QCOMPARE(answering(200, "{}"), u"unauthorized ok"_s); // no user id
        // period's expired cookie arrives first, but me is awaited first and its failure wins.
        f->service.setAnswer("GET", mePath, {500, {}, {}, 200});
        f->service.setAnswer("POST", periodPath, {401, {}, {}, 0});
        QCOMPARE(outcomeOf(fetchOverview(f->session, f->state)), u"读取 /api/auth/me 失败"_s);
        // A 429, from an optional request too, ends the overview; its wait (RateLimit's table) is kept
        // in the account's record, which every refresh and sync of the account reads.
        scriptAccount(f->service);
        f->service.setAnswer("POST", planPath, {429, {}, {{"Retry-After", "120"}}, 0});
        QCOMPARE(outcomeOf(fetchOverview(f->session, f->state)), u"rateLimited"_s);
        QCOMPARE(f->state->rateLimit->until(),
                 std::optional(Timestamp{Clock::now().secondsSinceReference + 120}));
    }

    void overviewOfACycleFromThe17th()
    {
        // Every request carries the stored token (no cookie is ever kept: TestNetworkAccess).
        const UsageSnapshot snapshot = await(fetchOverview(f->session, f->state));
        const QByteArray origin = f->service.origin().toUtf8();
        const QByteArray common = "|application/json|" + origin + '|' + origin + "/dashboard/usage|" +
                                  "WorkosCursorSessionToken=" + ClientFixture::token + '|';
        QCOMPARE(seen(mePath), "GET|" + common);
        QCOMPARE(seen(periodPath), "POST|{}" + common + "application/json");
        QCOMPARE(seen(aggregatedPath),
                 R"(POST|{"endDate":"1776650400000","startDate":"1774972800000","teamId":0,)"
                 R"("userId":254123789})" +
                     common + "application/json");
        QCOMPARE(f->service.requests().size(), 6); // no summary: period answered
        // The month's window, then the cycle's own up to its end, which lies after now.
        QCOMPARE(f->sent(aggregatedPath, window), monthWindow + u' ' + cycleWindow);
        QCOMPARE(snapshot.tokens.total, 52683593.0); // the cycle's answer, not the month's
        // Event-derived figures wait for the patch.
        QVERIFY(snapshot.days.isEmpty() && snapshot.todayTokens.total == 0);
    }

    void overviewRequestsOverlap()
    {
        // me answers first; the other three are still awaited when the month's aggregated request
        // goes out. The user id also comes as text.
        scriptAccount(f->service, 400);
        f->service.setJson("GET", mePath, R"({"id":"254123789"})", 100);
        f->service.setJson("POST", periodPath, R"({"billingCycleStart":"1774972800000"})", 400);
        await(fetchOverview(f->session, f->state));
        QCOMPARE(f->sent(aggregatedPath, u"userId"_s), u"254123789"_s);
        const auto me = f->service.requests(mePath).at(0);
        const auto aggregated = f->service.requests(aggregatedPath).at(0);
        QVERIFY(aggregated.arrivedMs >= me.answeredMs); // needs the user id
        for (const char* path : {periodPath, planPath, sandPath}) {
            const auto optional = f->service.requests(path).at(0);
            QVERIFY2(optional.arrivedMs < me.answeredMs, path); // started together with me
            QVERIFY2(aggregated.arrivedMs < optional.answeredMs, path);
        }
    }

    void overviewFromTheSummary()
    {
        f->service.setAnswer("POST", periodPath, {500, R"({"error":"internal"})", {}, 0});
        QCOMPARE(await(fetchOverview(f->session, f->state)).monthlyUsed, 232.22); // individualUsage.plan.used
        QCOMPARE(f->service.requests(aggregatedPath).size(), 2); // the summary's cycle has its own window
        // A team seat's period answers, but with equal cycle bounds only: the summary is asked too and
        // gives the plan, the figures and the cycle's window.
        f->service.setJson("POST", periodPath, data("service-period-team.json"));
        f->service.setJson("GET", summaryPath, data("service-summary-team.json"));
        f->service.setJson("POST", planPath, "{}");
        f->service.clearRequests();
        const UsageSnapshot team = await(fetchOverview(f->session, f->state));
        QCOMPARE(f->service.requests(summaryPath).size(), 1);
        QCOMPARE(f->sent(aggregatedPath, window), monthWindow + u' ' + cycleWindow);
        // The team's own figures are the parser's tests; here only that the summary reached the snapshot.
        QCOMPARE(team.planName + u' ' + QString::number(*team.onDemandUsed), u"enterprise 23.1"_s);
        // No usage answer at all, though plan and sand answered; every aggregated body was tried.
        f->service.setAnswer("POST", periodPath, {500, {}, {}, 0});
        f->service.setAnswer("GET", summaryPath, {500, {}, {}, 0});
        f->service.setAnswer("POST", aggregatedPath, {500, {}, {}, 0});
        QCOMPARE(f->run([this] { return fetchOverview(f->session, f->state); }, aggregatedPath, u"teamId"_s),
                 u"empty: 0 -1 none"_s);
        f->service.setAnswer("GET", summaryPath, {401, {}, {}, 0});
        QCOMPARE(outcomeOf(fetchOverview(f->session, f->state)), u"unauthorized"_s);
    }

    void aggregatedBodiesInTurn()
    {
        // In FetchRules' order, from the one that last gave usage; a refused body moves on to the next.
        const auto fetch = [this] {
            return f->run(
                [this] { return fetchAggregated(f->session, f->state, userId, cycleStartMs, cycleEndMs); },
                aggregatedPath, u"teamId"_s);
        };
        answerByTeam(aggregatedPath, {{u"0"_s, 400}}, R"({"aggregations":[]})");
        QCOMPARE(fetch(), u"ok: 0 -1"_s);
        QCOMPARE(fetch(), u"ok: -1"_s);
        // No body gives usage (a zero total would): all are tried, and the preference stays.
        answerByTeam(aggregatedPath, {}, R"({"other":1})");
        QCOMPARE(fetch(), u"absent: -1 0 none"_s);
        // A busy service or an expired cookie ends it at once, the preference kept.
        answerByTeam(aggregatedPath, {{u"-1"_s, 429}}, {});
        QCOMPARE(fetch(), u"rateLimited: -1"_s);
        answerByTeam(aggregatedPath, {{u"-1"_s, 401}}, {});
        QCOMPARE(fetch(), u"unauthorized: -1"_s);
    }

    void eventPages()
    {
        // The body with a team first; the other one after a failure, and first from then on: page 1,
        // then page 2.
        const auto pages = [this](int withTeam, int withoutTeam) -> QString {
            f->state = ClientFixture::freshState();
            answerByTeam(eventsPath, {{u"0"_s, withTeam}, {u"none"_s, withoutTeam}}, "{}");
            const auto page = [this](int n) {
                return [this, n] {
                    return fetchEventPage(f->session, f->state, userId, cycleStartMs + 0.7, cycleEndMs, n);
                };
            };
            const QString first = f->run(page(1), eventsPath, u"teamId"_s);
            return first + u" |" + f->run(page(2), eventsPath, u"teamId"_s).section(u':', 1);
        };
        QCOMPARE(pages(200, 500), u"ok: 0 | 0"_s);
        QCOMPARE(pages(400, 200), u"ok: 0 none | none"_s);
        QCOMPARE(pages(500, 500), u"absent: 0 none | none 0"_s);
        QCOMPARE(pages(429, 200), u"rateLimited: 0 | 0"_s); // a busy service changes no choice
        QCOMPARE(pages(500, 401), u"unauthorized: 0 none | none"_s);
        // The last one: page 2 without a team, its window in whole milliseconds.
        QCOMPARE(
            f->service.requests().at(0).body,
            R"({"endDate":"1779010934000","page":2,"pageSize":200,"startDate":"1776418934000","userId":254123789})"_ba);

        // Paging as FetchRules decides, up to the page limit: the count may come as text, or not at all;
        // a failed page is asked again with the other body.
        QCOMPARE(paging({200, 200, 200}, "1000", 2), u"400: 1 2"_s);
        QCOMPARE(paging({200, 50}, R"("250")", 2), u"250: 1 2"_s);
        QCOMPARE(paging({200, 200}, {}, 2), u"200: 1"_s);
        QCOMPARE(paging({200, -1}, "1000", 3), u"200: 1 2 2"_s);
    }

    void eventPatch()
    {
        const UsageSnapshot patched = await(fetchEventPatch(f->session, f->state, overview()));
        // No user id yet: me first, then the cycle's page, then today's, one after the other.
        QCOMPARE(f->service.requests().at(0).path, QByteArray(mePath));
        QVERIFY(f->service.requests().at(1).answeredMs <= f->service.requests().at(2).arrivedMs);
        QCOMPARE(f->sent(eventsPath, window), cycleWindow + u' ' + todayWindow);
        // The overview's larger total stays; the split comes from the cycle's events (included: in Pro,
        // and the errored 700), today's tokens from today's, and the series spans the UTC days 17th to 20th.
        QCOMPARE((QList<double>{patched.totalTokens, patched.includedTokens, patched.onDemandTokens,
                                patched.todayTokens.total, double(patched.days.size())}),
                 (QList<double>{5'000'000, 45'700, 214'539, 256'539, 4}));

        // The user id is known now. A cycle that began at a time not known starts with the month.
        QCOMPARE(f->run([this] { return fetchEventPatch(f->session, f->state, overview({})); }, eventsPath,
                        window),
                 u"ok: "_s + monthWindow + u' ' + todayWindow);
        QVERIFY(f->service.requests(mePath).isEmpty());
        // Today's events are the cycle's when it began today (FetchRules); a smaller total gives way to
        // the events'.
        const UsageSnapshot grown =
            await(fetchEventPatch(f->session, f->state, overview(u"2026-04-19T20:00:00Z"_s, 1000)));
        QCOMPARE((QList<double>{grown.todayTokens.total, grown.totalTokens}),
                 (QList<double>{260'239, 260'239}));

        // No events: the overview's split stays, while today and the series are emptied.
        f->service.setAnswer("POST", eventsPath, {500, {}, {}, 0});
        const UsageSnapshot without = await(fetchEventPatch(f->session, f->state, patched));
        QCOMPARE(without.onDemandTokens, patched.onDemandTokens);
        QVERIFY(without.days.isEmpty() && without.todayTokens.total == 0);

        // Superseded while its first page is on the way: no further page is asked for.
        const QByteArray fullPage = "{\"usageEvents\":[" + QByteArrayList(eventPageSize, "{}").join(',') +
                                    "],\"totalUsageEventsCount\":900}";
        f->service.setJson("POST", eventsPath, fullPage, 300);
        f->service.clearRequests();
        const auto cancellation = std::make_shared<Cancellation>();
        QCoro::Task<UsageSnapshot> superseded =
            fetchEventPatch(f->session, f->state, overview(), cancellation);
        QTRY_COMPARE(f->service.requests(eventsPath).size(), 1);
        cancellation->requested = true;
        QCOMPARE(outcomeOf(std::move(superseded)), u"transport"_s);
        QCOMPARE(f->service.requests(eventsPath).size(), 1);

        // Its account removed meanwhile: the same, and nothing at all once it is gone before.
        f->service.clearRequests();
        bool listed = true;
        const auto fenced = std::make_shared<Cancellation>();
        fenced->stillWanted = [&listed] { return listed; };
        QCoro::Task<UsageSnapshot> removed = fetchEventPatch(f->session, f->state, overview(), fenced);
        QTRY_COMPARE(f->service.requests(eventsPath).size(), 1);
        listed = false;
        QCOMPARE(outcomeOf(std::move(removed)), u"transport"_s);
        QCOMPARE(f->service.requests(eventsPath).size(), 1);
        f->service.clearRequests();
        QCOMPARE(outcomeOf(fetchEventPatch(f->session, f->state, overview(), fenced)), u"transport"_s);
        QVERIFY(f->service.requests(eventsPath).isEmpty());
    }
};

TALLYFERN_REGISTER_TEST(TestDashboardClient);
#include "TestDashboardClient.moc"
