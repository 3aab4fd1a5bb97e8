#include "ClientFixture.h"
#include "TestRegistry.h"

#include "client/TransportError.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using namespace DashboardClient;

namespace {

// What a request came to, as one word: "object", "unauthorized", "requestFailed", "noSession",
// "empty" or "transport".
template <typename T>
QString outcomeOf(QCoro::Task<T> task)
{
    try {
        await(std::move(task));
    } catch (const DashboardError& error) {
        switch (error.kind()) {
        case DashboardError::Kind::requestFailed:
            return u"requestFailed"_s;
        case DashboardError::Kind::noSession:
            return u"noSession"_s;
        case DashboardError::Kind::unauthorized:
            return u"unauthorized"_s;
        case DashboardError::Kind::empty:
            return u"empty"_s;
        }
    } catch (const TransportError&) {
        return u"transport"_s;
    }
    return u"object"_s;
}

QString optionalOutcome(QCoro::Task<Answer> task)
{
    try {
        return await(std::move(task)) ? u"object"_s : u"absent"_s;
    } catch (const DashboardError& error) {
        return error.kind() == DashboardError::Kind::unauthorized ? u"unauthorized"_s : u"other"_s;
    } catch (...) {
        return u"other"_s;
    }
}

// A coroutine, so that a request that cannot be built fails inside the task.
QCoro::Task<QJsonObject> get(const char* path)
{
    co_return co_await send(request(QString::fromLatin1(path), "GET"));
}

} // namespace

class TestDashboardTransport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headersAndBodies()
    {
        ClientFixture fixture;
        FakeService& service = fixture.service();
        service.setJson("GET", "/api/auth/me", R"({"id":1})");
        service.setJson("POST", "/api/dashboard/get-plan-info", R"({"planInfo":{}})");

        QCOMPARE(await(get("/api/auth/me")).value("id"_L1).toInt(), 1);
        const QJsonObject body{
            {"startDate"_L1, u"1776418934000"_s}, {"teamId"_L1, 0}, {"userId"_L1, 254123789.0}};
        QVERIFY(await(optionalPost(u"/api/dashboard/get-plan-info"_s, body)).has_value());
        QVERIFY(await(optionalPost(u"/api/dashboard/get-plan-info"_s, {})).has_value());

        const QByteArray origin = service.origin().toUtf8();
        const auto me = service.requests("/api/auth/me");
        QCOMPARE(me.size(), 1);
        QCOMPARE(me[0].method, QByteArray("GET"));
        QCOMPARE(me[0].headers.value("accept"), QByteArray("application/json"));
        QCOMPARE(me[0].headers.value("origin"), origin);
        QCOMPARE(me[0].headers.value("referer"), origin + "/dashboard/usage");
        QCOMPARE(me[0].headers.value("cookie"),
                 QByteArray("WorkosCursorSessionToken=") + ClientFixture::token);
        QVERIFY(!me[0].headers.contains("content-type"));
        QVERIFY(me[0].body.isEmpty());

        const auto plan = service.requests("/api/dashboard/get-plan-info");
        QCOMPARE(plan.size(), 2);
        QCOMPARE(plan[0].method, QByteArray("POST"));
        QCOMPARE(plan[0].headers.value("content-type"), QByteArray("application/json"));
        QCOMPARE(plan[0].headers.value("cookie"), me[0].headers.value("cookie"));
        QCOMPARE(plan[0].body, QByteArray(R"({"startDate":"1776418934000","teamId":0,"userId":254123789})"));
        QCOMPARE(plan[1].body, QByteArray("{}"));
    }

    void statuses_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("optional");
        QTest::newRow("200 object") << 200 << QByteArray(R"({"id":7})") << u"object"_s << u"object"_s;
        QTest::newRow("201 object") << 201 << QByteArray("{}") << u"object"_s << u"object"_s;
        QTest::newRow("204") << 204 << QByteArray() << u"unauthorized"_s << u"unauthorized"_s;
        QTest::newRow("401") << 401 << QByteArray(R"({"error":"unauthorized"})") << u"unauthorized"_s
                             << u"unauthorized"_s;
        QTest::newRow("403") << 403 << QByteArray() << u"unauthorized"_s << u"unauthorized"_s;
        QTest::newRow("404") << 404 << QByteArray("{}") << u"requestFailed"_s << u"absent"_s;
        QTest::newRow("500") << 500 << QByteArray(R"({"error":"boom"})") << u"requestFailed"_s << u"absent"_s;
        QTest::newRow("302 without location") << 302 << QByteArray() << u"requestFailed"_s << u"absent"_s;
        QTest::newRow("200 empty") << 200 << QByteArray() << u"requestFailed"_s << u"absent"_s;
        QTest::newRow("200 array") << 200 << QByteArray("[{}]") << u"requestFailed"_s << u"absent"_s;
        QTest::newRow("200 string") << 200 << QByteArray(R"("ok")") << u"requestFailed"_s << u"absent"_s;
        QTest::newRow("200 number") << 200 << QByteArray(" 42 ") << u"requestFailed"_s << u"absent"_s;
        QTest::newRow("200 not json") << 200 << QByteArray("<html>") << u"transport"_s << u"absent"_s;
        QTest::newRow("200 cut short") << 200 << QByteArray(R"({"id":)") << u"transport"_s << u"absent"_s;
    }

    void statuses()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(QString, optional);
        ClientFixture fixture;
        fixture.service().setAnswer("GET", "/api/x", {status, body, {}, 0});
        fixture.service().setAnswer("POST", "/api/x", {status, body, {}, 0});

        QCOMPARE(outcomeOf(get("/api/x")), outcome);
        QCOMPARE(optionalOutcome(optionalGet(u"/api/x"_s)), optional);
        QCOMPARE(optionalOutcome(optionalPost(u"/api/x"_s, {})), optional);
        QCOMPARE(fixture.service().requests().size(), 3);
    }

    void descriptions()
    {
        QCOMPARE(DashboardError::requestFailed(u"/api/auth/me"_s).description(), u"读取 /api/auth/me 失败"_s);
        QCOMPARE(DashboardError::noSession().description(), u"还没有登录态。请先粘贴 Cookie。"_s);
        QCOMPARE(DashboardError::unauthorized().description(), u"Cookie 已失效，请重新粘贴"_s);
        QCOMPARE(DashboardError::empty().description(), u"接口没有返回用量字段"_s);
        QCOMPARE(describe(DashboardError::empty()), u"接口没有返回用量字段"_s);
        QVERIFY(!describe(TransportError(TransportError::Kind::timeout, u"/api/auth/me"_s)).isEmpty());

        ClientFixture fixture;
        fixture.service().setJson("GET", "/api/bad", "[1,2]");
        const auto error = dashboardErrorOf(get("/api/bad"));
        QVERIFY(error);
        QCOMPARE(error->description(), u"读取 /api/bad 失败"_s);
    }

    void noUsableTokenMeansNoRequest()
    {
        ClientFixture fixture;
        fixture.service().setJson("GET", "/api/x", "{}");
        fixture.store().remove();
        QCOMPARE(outcomeOf(get("/api/x")), u"noSession"_s);
        QCOMPARE(optionalOutcome(optionalGet(u"/api/x"_s)), u"absent"_s);
        QCOMPARE(optionalOutcome(optionalPost(u"/api/x"_s, {})), u"absent"_s);

        // A stored value that would break the header line is not a session either.
        fixture.store().write(u"tok\r\nX-Injected: 1"_s);
        QCOMPARE(outcomeOf(get("/api/x")), u"noSession"_s);
        QVERIFY(fixture.service().requests().isEmpty());

        // Blanks around a stored token are not sent.
        fixture.store().write(u"  tok \n"_s);
        QCOMPARE(outcomeOf(get("/api/x")), u"object"_s);
        QCOMPARE(fixture.service().requests().at(0).headers.value("cookie"),
                 QByteArray("WorkosCursorSessionToken=tok"));
    }

    void unencodableBody()
    {
        ClientFixture fixture;
        fixture.service().setJson("POST", "/api/x", "{}");
        const QJsonObject body{{"endDate"_L1, std::numeric_limits<double>::quiet_NaN()}};
        QVERIFY_THROWS_EXCEPTION(TransportError, request(u"/api/x"_s, "POST", body));
        QCOMPARE(optionalOutcome(optionalPost(u"/api/x"_s, body)), u"absent"_s);
        QVERIFY(fixture.service().requests().isEmpty());
    }

    void redirectsStayOnTheServiceOrigin()
    {
        ClientFixture fixture;
        FakeService elsewhere;
        QVERIFY(elsewhere.start());
        elsewhere.setFallback([](const FakeService::Request&) {
            return FakeService::Answer{200, "{}", {}, 0};
        });
        FakeService& service = fixture.service();
        service.setAnswer("GET", "/api/moved", {302, {}, {{"Location", "/api/here"}}, 0});
        service.setJson("GET", "/api/here", R"({"here":true})");
        service.setAnswer("GET", "/api/away",
                          {302, {}, {{"Location", elsewhere.origin().toUtf8() + "/steal"}}, 0});

        QVERIFY(await(get("/api/moved")).value("here"_L1).toBool());
        QCOMPARE(service.requests("/api/here").size(), 1);

        QCOMPARE(outcomeOf(get("/api/away")), u"requestFailed"_s);
        QCOMPARE(optionalOutcome(optionalGet(u"/api/away"_s)), u"absent"_s);
        QVERIFY(elsewhere.requests().isEmpty());
    }

    void setCookieIsNeitherKeptNorSent()
    {
        ClientFixture fixture;
        fixture.service().setAnswer(
            "GET", "/api/a",
            {200,
             "{}",
             {{"Set-Cookie", "WorkosCursorSessionToken=planted; Path=/"}, {"Set-Cookie", "x=1"}},
             0});
        fixture.service().setJson("GET", "/api/b", "{}");
        await(get("/api/a"));
        await(get("/api/b"));
        QCOMPARE(fixture.service().requests("/api/b").at(0).headers.value("cookie"),
                 QByteArray("WorkosCursorSessionToken=") + ClientFixture::token);
    }

    void timeoutAndSizeLimit()
    {
        ClientFixture fixture;
        Testing::setLimits(300, 1000);
        fixture.service().setJson("GET", "/api/slow", "{}", 1500);
        fixture.service().setJson("GET", "/api/big", '{' + QByteArray(4000, ' ') + '}');
        fixture.service().setJson("GET", "/api/fits", '{' + QByteArray(900, ' ') + '}');

        try {
            await(get("/api/slow"));
            QFAIL("a slow answer went through");
        } catch (const TransportError& error) {
            QCOMPARE(error.kind(), TransportError::Kind::timeout);
        }
        QCOMPARE(optionalOutcome(optionalGet(u"/api/big"_s)), u"absent"_s);
        QCOMPARE(outcomeOf(get("/api/big")), u"requestFailed"_s);
        QCOMPARE(outcomeOf(get("/api/fits")), u"object"_s);
    }

    void repliesAreReleased()
    {
        ClientFixture fixture;
        fixture.service().setJson("GET", "/api/x", "{}");
        fixture.service().setAnswer("GET", "/api/gone", {401, {}, {}, 0});
        for (int i = 0; i < 3; ++i) {
            await(get("/api/x"));
            (void)outcomeOf(get("/api/gone"));
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto managers = qApp->findChildren<QNetworkAccessManager*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(managers.size(), 1);
        QVERIFY(managers[0]->findChildren<QNetworkReply*>().isEmpty());
    }

    void calendarBoundaries()
    {
        ClientFixture fixture;                          // TZ=Asia/Shanghai
        QCOMPARE(startOfLocalMonth(), 1774972800000.0); // 2026-04-01T00:00:00+08:00
        QCOMPARE(startOfLocalDay(), 1776614400000.0);   // 2026-04-20T00:00:00+08:00
        // Already April here while it is still March in UTC.
        fixture.environment().setNow(u"2026-03-31T19:00:00Z"_s);
        QCOMPARE(startOfLocalMonth(), 1774972800000.0);
        QCOMPARE(startOfLocalDay(), 1774972800000.0);
    }
};

TALLYFERN_REGISTER_TEST(TestDashboardTransport);
#include "TestDashboardTransport.moc"
