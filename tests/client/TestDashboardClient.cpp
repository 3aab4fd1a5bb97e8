#include "ClientFixture.h"
#include "TestRegistry.h"

#include "client/RateLimit.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"

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

// A coroutine, so that a request that cannot be built fails inside the task.
QCoro::Task<QJsonObject> get(QString token, ClientStateRef state, QString path)
{
    co_return co_await send(request(token, path, "GET"), state);
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

    // What saving a paste leaves in the store, or the text of the error the save ends with.
    QString saved(const QString& pasted)
    {
        try {
            SessionKeychain::save(pasted);
        } catch (const SessionKeychainError& error) {
            return error.description();
        }
        return f->store.read().value_or(u"(nothing)"_s);
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

    // One refresh where the period answers only these cycle bounds: the aggregated windows, and
    // whose answer the snapshot holds.
    QString windowsFor(const char* from, const char* to = "1777564800000")
    {
        f->service.setJson("POST", periodPath,
                           "{\"displayMessage\":\"5%\",\"billingCycleStart\":"_ba + from +
                               ",\"billingCycleEnd\":" + to + '}');
        f->service.clearRequests();
        const double input = await(fetchOverview(f->session, f->state)).tokens.input;
        return f->sent(aggregatedPath, window) + (input == 5004 ? u" | month"_s : u" | cycle"_s);
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

    void sessionKeychainSavesTheNormalisedToken()
    {
        QCOMPARE(saved(u"\n\n  tok-value \r\n\t"_s), u"tok-value"_s);
        QCOMPARE(saved(u"Cookie: _ga=GA1.1; WorkosCursorSessionToken=user_01%3A%3Aeyj.x; b=2"_s),
                 u"user_01::eyj.x"_s);
        QCOMPARE(saved(u"workoscursorsessiontoken=tok"_s), u"tok"_s);
        QCOMPARE(saved(u"WorkosCursorSessionToken=first\nsecond"_s), u"first"_s);
        QCOMPARE(saved(u"WorkosCursorSessionToken=a%3a%3Ab%3A%3Ac%20d"_s), u"a%3a%3Ab::c%20d"_s);
        // A paste without a token, one that no header could carry, a write the store refuses or
        // one into a locked keyring (never attempted: it would prompt) leave the working token.
        QCOMPARE(saved(u"WorkosCursorSessionToken=; other=1"_s), u"请粘贴 Cookie"_s);
        QCOMPARE(saved(u"user_01NL\n::eyJ.x"_s), u"请粘贴 Cookie"_s);
        QCOMPARE(saved(u"tok\u0001en"_s), u"请粘贴 Cookie"_s);
        f->store.setFailsWrites(true);
        QCOMPARE(saved(u"new-token"_s), u"无法写入本机钥匙串"_s);
        f->store.setLocked(true);
        QCOMPARE(saved(u"new-token"_s), u"钥匙串已锁定"_s);
        QCOMPARE(f->store.writesWhileLocked(), 0);
        f->store.setLocked(false);
        QCOMPARE(SessionKeychain::read(), std::optional(u"a%3a%3Ab::c%20d"_s));
        // Blanks around a stored token are no part of it; blanks alone are no token.
        f->store.setFailsWrites(false);
        f->store.write(u"\n tok \n"_s);
        QCOMPARE(SessionKeychain::read(), std::optional(u"tok"_s));
        f->store.write(u" \n\t "_s);
        QCOMPARE(SessionKeychain::read(), std::nullopt);
    }

    void sessionKeychainWithoutASecretService()
    {
        // No session bus at all: no token is read, saving fails, and nothing is written anywhere else.
        SecretStore::setCurrent(nullptr);
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        QCOMPARE(saved(u"tok"_s), u"无法写入本机钥匙串"_s);
        QDirIterator written(f->environment.root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY2(!written.hasNext(), qPrintable(written.hasNext() ? written.next() : QString()));
    }

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
    }

    void redirectsTimeoutsAndSizeLimit()
    {
        FakeService elsewhere;
        QVERIFY(elsewhere.start());
        f->service.setAnswer("GET", "/api/moved", {302, {}, {{"Location", "/api/x"}}, 0});
        f->service.setJson("GET", "/api/x", R"({"here":true})");
        f->service.setAnswer("GET", "/api/away",
                             {302, {}, {{"Location", elsewhere.origin().toUtf8() + "/x"}}, 0});
        QVERIFY(await(get(f->session, f->state, u"/api/moved"_s)).value("here"_L1).toBool());
        QCOMPARE(both(u"/api/away"_s), u"读取 /api/away 失败 absent"_s);
        QVERIFY(elsewhere.requests().isEmpty());

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
        // The other kinds' texts are checked where the app shows them (tests/app).
        QCOMPARE(describe(DashboardError::empty()), u"接口没有返回用量字段"_s);
    }

    void rateLimits_data()
    {
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<int>("wait");
        QTest::newRow("seconds") << "120"_ba << 120;
        QTest::newRow("HTTP date") << "Mon, 20 Apr 2026 02:30:00 GMT"_ba << 1800; // now is 02:00 UTC
        QTest::newRow("absent") << QByteArray() << 600;
        QTest::newRow("date already past") << "Mon, 20 Apr 2026 01:00:00 GMT"_ba << 600;
        QTest::newRow("over an hour") << "86400"_ba << 3600;
    }

    void rateLimits()
    {
        QFETCH(QByteArray, retryAfter);
        QFETCH(int, wait);
        // An optional request's 429 ends the whole overview; the wait is kept for every process.
        QList<QPair<QByteArray, QByteArray>> headers;
        if (!retryAfter.isNull())
            headers.append({"Retry-After", retryAfter});
        f->service.setAnswer("POST", planPath, {429, {}, headers, 0});
        QCOMPARE(outcomeOf(fetchOverview(f->session, f->state)), u"rateLimited"_s);
        const std::optional<Timestamp> held = f->state->rateLimit->until();
        QCOMPARE(held, std::optional(Timestamp{Clock::now().secondsSinceReference + wait}));
        f->environment.setNow(Timestamp{held->secondsSinceReference + 1});
        QCOMPARE(f->state->rateLimit->until(), std::nullopt);
    }

    void overviewOfACycleFromThe17th()
    {
        // me's answer also tries to plant a cookie: later requests carry only the stored token.
        f->service.setAnswer("GET", mePath,
                             {200, R"({"id":254123789})", {{"Set-Cookie", "WorkosCursorSessionToken=x"}}, 0});
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

    void overviewOfACycleNearTheMonthStart()
    {
        // Within 12 hours of the local month start (time-zone offsets put it there), one window is
        // enough; a start given in seconds counts the same.
        const QString month = monthWindow + u" | month";
        QCOMPARE(windowsFor("1775016000000"), month);
        QCOMPARE(windowsFor("1775016000001"), monthWindow + u" 1775016000001-1777564800000 | cycle");
        QCOMPARE(windowsFor("1774929599"), monthWindow + u" 1774929599000-1777564800000 | cycle");
        // A cycle that ended is asked for up to now.
        QCOMPARE(windowsFor("1773740534000", R"("2026-04-17T09:42:14.000Z")"),
                 monthWindow + u" 1773740534000-1776650400000 | cycle");
        QCOMPARE(windowsFor("null"), month);
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
        const auto fetch = [this](double startMs = cycleStartMs) {
            return f->run(
                [=, this] { return fetchAggregated(f->session, f->state, userId, startMs, cycleEndMs); },
                aggregatedPath, u"teamId"_s);
        };
        // team0 refused, teamNeg1 answers: teamNeg1 goes first from now on.
        answerByTeam(aggregatedPath, {{u"0"_s, 400}}, R"({"aggregations":[]})");
        QCOMPARE(fetch(), u"ok: 0 -1"_s);
        QCOMPARE(fetch(), u"ok: -1"_s);
        // No variant gives usage: all three are tried, and the preference stays.
        answerByTeam(aggregatedPath, {}, R"({"other":1})");
        QCOMPARE(fetch(), u"absent: -1 0 none"_s);
        // Only the window alone gives usage (a zero total is usage): it moves to the front, the
        // others keep their order.
        answerByTeam(aggregatedPath, {{u"0"_s, 500}, {u"-1"_s, 500}}, R"({"totalInputTokens":0})");
        QCOMPARE(fetch(), u"ok: -1 0 none"_s);
        // A busy service or an expired cookie ends it at once, the preference kept; a window no
        // request can carry is not asked for.
        answerByTeam(aggregatedPath, {{u"none"_s, 429}}, {});
        QCOMPARE(fetch(), u"rateLimited: none"_s);
        answerByTeam(aggregatedPath, {{u"none"_s, 401}}, {});
        QCOMPARE(fetch(), u"unauthorized: none"_s);
        QCOMPARE(fetch(qInf()), u"absent: "_s);
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

        QCOMPARE(paging({150}, "150", 2), u"150: 1"_s);
        QCOMPARE(paging({200, 200, 200}, "1000", 2), u"400: 1 2"_s);
        QCOMPARE(paging({200, 200}, {}, 2), u"200: 1"_s);
        QCOMPARE(paging({200, 50}, R"("250")", 2), u"250: 1 2"_s);
        QCOMPARE(paging({200, 0}, "1000", 3), u"200: 1 2"_s);
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

        // The user id is known now. A cycle that began within 12 hours of today's start holds today's
        // events; one that began at a time not known starts with the month.
        const auto windows = [this](const QString& start) {
            return f->run([=, this] { return fetchEventPatch(f->session, f->state, overview(start)); },
                          eventsPath, window);
        };
        QCOMPARE(windows(u"2026-04-19T20:00:00Z"_s), u"ok: 1776628800000-1779010934000"_s);
        QCOMPARE(windows(u"2026-04-19T04:00:00Z"_s), u"ok: 1776571200000-1779010934000 "_s + todayWindow);
        QCOMPARE(windows({}), u"ok: "_s + monthWindow + u' ' + todayWindow);
        QVERIFY(f->service.requests(mePath).isEmpty());
        // Today's events are the cycle's when it began today; a smaller total gives way to the events'.
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
    }
};

TALLYFERN_REGISTER_TEST(TestDashboardClient);
#include "TestDashboardClient.moc"
