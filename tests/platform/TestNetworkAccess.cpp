#include "FakeService.h"
#include "TestRegistry.h"

#include "platform/NetworkAccess.h"
#include "platform/ServiceOrigin.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QNetworkReply* get(QNetworkAccessManager* manager, const FakeService& service, const char* path)
{
    return manager->get(QNetworkRequest(QUrl(service.origin() + QString::fromLatin1(path))));
}

bool finish(QNetworkReply* reply)
{
    if (reply->isFinished())
        return true;
    QSignalSpy done(reply, &QNetworkReply::finished);
    return done.wait(10'000);
}

} // namespace

class TestNetworkAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void acceptedOrigins_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("origin");
        QTest::newRow("https") << u"https://cursor.com"_s << u"https://cursor.com"_s;
        QTest::newRow("loopback v4") << u"http://127.0.0.1:4000"_s << u"http://127.0.0.1:4000"_s;
        QTest::newRow("loopback v6") << u"http://[::1]:4000"_s << u"http://[::1]:4000"_s;
        QTest::newRow("clear text elsewhere") << u"http://cursor.com"_s << QString();
        QTest::newRow("clear text private range") << u"http://192.168.1.2"_s << QString();
        QTest::newRow("loopback lookalike") << u"http://127.0.0.1.evil.example"_s << QString();
        QTest::newRow("credentials") << u"https://user:pw@cursor.com"_s << QString();
        QTest::newRow("path") << u"https://cursor.com/api"_s << QString();
        QTest::newRow("garbage") << u"not a url"_s << QString();
    }

    void acceptedOrigins()
    {
        QFETCH(QString, text);
        QFETCH(QString, origin);
        QCOMPARE(ServiceOrigin::accepted(text).value_or(QString()), origin);
        qputenv("TALLYFERN_SERVICE_ORIGIN", text.toUtf8());
        QCOMPARE(ServiceOrigin::current(), origin.isEmpty() ? u"https://cursor.com"_s : origin);
        qunsetenv("TALLYFERN_SERVICE_ORIGIN");
        QCOMPARE(ServiceOrigin::current(), u"https://cursor.com"_s);
    }

    void cookiesAreNeitherKeptNorSent()
    {
        FakeService service;
        QVERIFY(service.start());
        service.setAnswer("GET", "/set",
                          {200, "{}", {{"Set-Cookie", "WorkosCursorSessionToken=stolen; Path=/"}}, 0});
        service.setJson("GET", "/next", "{}");
        QObject parent;
        QNetworkAccessManager* manager = NetworkAccess::makeEphemeralManager(&parent);
        QVERIFY(finish(get(manager, service, "/set")));
        QVERIFY(finish(get(manager, service, "/next")));
        QCOMPARE(service.requests("/next").size(), 1);
        QVERIFY(!service.requests("/next")[0].headers.contains("cookie"));
        QCOMPARE(manager->transferTimeout(), 12'000);
    }

    void redirectsStayOnTheSameOrigin()
    {
        FakeService service, elsewhere;
        QVERIFY(service.start() && elsewhere.start());
        service.setAnswer("GET", "/moved", {302, {}, {{"Location", "/here"}}, 0});
        service.setJson("GET", "/here", R"({"ok":1})");
        service.setAnswer("GET", "/away",
                          {302, {}, {{"Location", elsewhere.origin().toUtf8() + "/steal"}}, 0});
        elsewhere.setJson("GET", "/steal", "{}");
        QObject parent;
        QNetworkAccessManager* manager = NetworkAccess::makeEphemeralManager(&parent);

        QNetworkReply* same = get(manager, service, "/moved");
        QVERIFY(finish(same));
        QCOMPARE(same->readAll(), QByteArray(R"({"ok":1})"));

        QNetworkReply* away = get(manager, service, "/away");
        QVERIFY(finish(away));
        QVERIFY(away->error() != QNetworkReply::NoError);
        QVERIFY(elsewhere.requests().isEmpty());
    }

    void guardAbortsSlowAndOversizedAnswers()
    {
        FakeService service;
        QVERIFY(service.start());
        service.setJson("GET", "/slow", "{}", 2000);
        service.setJson("GET", "/big", QByteArray(4096, 'x'));
        service.setJson("GET", "/small", QByteArray(100, 'x'));
        QObject parent;
        QNetworkAccessManager* manager = NetworkAccess::makeEphemeralManager(&parent);

        QNetworkReply* slow = get(manager, service, "/slow");
        NetworkAccess::guard(slow, 200);
        QVERIFY(finish(slow));
        QCOMPARE(slow->error(), QNetworkReply::OperationCanceledError);
        QVERIFY(!NetworkAccess::wasTooLarge(slow));

        QNetworkReply* big = get(manager, service, "/big");
        NetworkAccess::guard(big, 10'000, 1000);
        QVERIFY(finish(big));
        QVERIFY(NetworkAccess::wasTooLarge(big));

        QNetworkReply* small = get(manager, service, "/small");
        NetworkAccess::guard(small, 10'000, 1000);
        QVERIFY(finish(small));
        QCOMPARE(small->error(), QNetworkReply::NoError);
        QCOMPARE(small->readAll().size(), 100);
    }
};

TALLYFERN_REGISTER_TEST(TestNetworkAccess);
#include "TestNetworkAccess.moc"
