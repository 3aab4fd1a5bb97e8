#include "FakeService.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestFakeService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scriptedAnswersAndRecordedRequests()
    {
        FakeService service;
        QVERIFY(service.start());
        service.setJson("POST", "/api/slow", R"({"planName":"Pro"})", 100);
        service.setAnswer("GET", "/api/me", {401, {}, {{"Set-Cookie", "x=y"}}, 0});

        // Three requests in flight together: the quick ones arrive before the slow one is answered.
        QNetworkAccessManager manager;
        QNetworkRequest post(QUrl(service.origin() + u"/api/slow"_s));
        post.setRawHeader("Cookie", "WorkosCursorSessionToken=abc");
        QNetworkReply* slow = manager.post(post, "{}");
        QNetworkReply* me = manager.get(QNetworkRequest(QUrl(service.origin() + u"/api/me?x=1"_s)));
        QNetworkReply* missing = manager.get(QNetworkRequest(QUrl(service.origin() + u"/nowhere"_s)));
        QTRY_VERIFY(slow->isFinished() && me->isFinished() && missing->isFinished());
        QCOMPARE(slow->readAll(), R"({"planName":"Pro"})"_ba);
        QCOMPARE(me->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 401);
        QCOMPARE(me->rawHeader("Set-Cookie"), "x=y"_ba);
        QCOMPARE(missing->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);

        const FakeService::Request recorded = service.requests("/api/slow").value(0);
        QCOMPARE(recorded.method + ' ' + recorded.body, "POST {}"_ba);
        QCOMPARE(recorded.headers.value("cookie"), "WorkosCursorSessionToken=abc"_ba);
        QVERIFY(recorded.answeredMs - recorded.arrivedMs >= 100);
        QCOMPARE(service.requests("/api/me").value(0).query, "x=1"_ba);
        QVERIFY(service.requests("/api/me").value(0).arrivedMs < recorded.answeredMs);
        QCOMPARE(service.requests().size(), 3);
        service.clearRequests();
        QVERIFY(service.requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFakeService)
#include "TestFakeService.moc"
