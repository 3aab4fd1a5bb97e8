#include "FakeService.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestFakeService : public QObject
{
    Q_OBJECT

    QNetworkReply* post(QNetworkAccessManager& manager, const FakeService& service, const char* path,
                        const QByteArray& body)
    {
        QNetworkRequest request(QUrl(service.origin() + QString::fromLatin1(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
        request.setRawHeader("Cookie", "WorkosCursorSessionToken=abc");
        return manager.post(request, body);
    }

private Q_SLOTS:
    void scriptedAnswersAndRecordedRequests()
    {
        FakeService service;
        QVERIFY(service.start());
        service.setJson("POST", "/api/dashboard/get-plan-info", R"({"planName":"Pro"})", 100);
        service.setAnswer("GET", "/api/auth/me", {401, {}, {{"Set-Cookie", "x=y"}}, 0});

        QNetworkAccessManager manager;
        QNetworkReply* slow = post(manager, service, "/api/dashboard/get-plan-info", "{}");
        QNetworkReply* fast = manager.get(QNetworkRequest(QUrl(service.origin() + u"/api/auth/me?x=1"_s)));
        QNetworkReply* missing = manager.get(QNetworkRequest(QUrl(service.origin() + u"/nowhere"_s)));
        QSignalSpy slowDone(slow, &QNetworkReply::finished);
        QVERIFY(slowDone.wait(5000));
        QTRY_VERIFY(fast->isFinished() && missing->isFinished());

        QCOMPARE(slow->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        QCOMPARE(slow->readAll(), QByteArray(R"({"planName":"Pro"})"));
        QCOMPARE(fast->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 401);
        QCOMPARE(fast->rawHeader("Set-Cookie"), QByteArray("x=y"));
        QCOMPARE(missing->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);

        const auto plan = service.requests("/api/dashboard/get-plan-info");
        QCOMPARE(plan.size(), 1);
        QCOMPARE(plan[0].method, QByteArray("POST"));
        QCOMPARE(plan[0].body, QByteArray("{}"));
        QCOMPARE(plan[0].headers.value("cookie"), QByteArray("WorkosCursorSessionToken=abc"));
        QVERIFY(plan[0].answeredMs - plan[0].arrivedMs >= 100);
        const auto me = service.requests("/api/auth/me");
        QCOMPARE(me.size(), 1);
        QCOMPARE(me[0].query, QByteArray("x=1"));
        // The three were in flight together: the quick ones arrived before the slow one answered.
        QVERIFY(me[0].arrivedMs < plan[0].answeredMs);
        QCOMPARE(service.requests().size(), 3);
        service.clearRequests();
        QVERIFY(service.requests().isEmpty());
        for (QNetworkReply* reply : {slow, fast, missing})
            reply->deleteLater();
    }
};

QTEST_GUILESS_MAIN(TestFakeService)
#include "TestFakeService.moc"
