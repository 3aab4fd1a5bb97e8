#include "FakeService.h"
#include "TestRegistry.h"

#include "platform/NetworkAccess.h"
#include "platform/ServiceOrigin.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A fake service on loopback and the ephemeral manager that talks to it.
struct Loopback
{
    FakeService service;
    QObject parent;
    QNetworkAccessManager* manager = NetworkAccess::makeEphemeralManager(&parent);

    // The reply once finished (checks fail on one that never finishes); guarded when given a timeout.
    QNetworkReply* fetch(const char* path, int timeoutMs = 0, qint64 maxBytes = NetworkAccess::maxBodyBytes)
    {
        QNetworkReply* reply =
            manager->get(QNetworkRequest(QUrl(service.origin() + QString::fromLatin1(path))));
        if (timeoutMs > 0)
            NetworkAccess::guard(reply, timeoutMs, maxBytes);
        if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, 10'000))
            qWarning("%s: no answer", path);
        return reply;
    }
};

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
        QTest::newRow("loopback name with a final dot") << u"http://localhost."_s << QString();
        QTest::newRow("credentials") << u"https://user:pw@cursor.com"_s << QString();
        QTest::newRow("path") << u"https://cursor.com/api"_s << QString();
        QTest::newRow("garbage") << u"not a url"_s << QString();
        QTest::newRow("set to nothing, as if unset") << u" "_s << QString();
    }

    // An accepted override replaces the service; a refused one is no origin at all and says so,
    // never a silent fall back to the real service with the user's cookie.
    void acceptedOrigins()
    {
        QFETCH(QString, text);
        QFETCH(QString, origin);
        QCOMPARE(ServiceOrigin::accepted(text).value_or(QString()), origin);
        qputenv("TALLYFERN_SERVICE_ORIGIN", text.toUtf8());
        const bool refused = origin.isEmpty() && !text.trimmed().isEmpty();
        QCOMPARE(ServiceOrigin::current(), refused            ? QString()
                                           : origin.isEmpty() ? u"https://cursor.com"_s
                                                              : origin);
        QCOMPARE(ServiceOrigin::refusal().value_or(QString()),
                 refused ? u"tallyfern：TALLYFERN_SERVICE_ORIGIN 不可用："_s + text : QString());
        qunsetenv("TALLYFERN_SERVICE_ORIGIN");
        QCOMPARE(ServiceOrigin::current(), u"https://cursor.com"_s);
        QVERIFY(!ServiceOrigin::refusal());
    }

    void cookiesAreNeitherKeptNorSentAndRedirectsStayOnTheSameOrigin()
    {
        Loopback net;
        FakeService elsewhere;
        QVERIFY(net.service.start() && elsewhere.start());
        net.service.setAnswer("GET", "/set",
                              {200, "{}", {{"Set-Cookie", "WorkosCursorSessionToken=stolen; Path=/"}}, 0});
        net.service.setJson("GET", "/next", "{}");
        QVERIFY(net.fetch("/set")->isFinished() && net.fetch("/next")->isFinished());
        QCOMPARE(net.service.requests("/next").size(), 1);
        QVERIFY(!net.service.requests("/next")[0].headers.contains("cookie"));
        QCOMPARE(net.manager->transferTimeout(), 12'000);

        net.service.setAnswer("GET", "/moved", {302, {}, {{"Location", "/here"}}, 0});
        net.service.setJson("GET", "/here", R"({"ok":1})");
        net.service.setAnswer("GET", "/away",
                              {302, {}, {{"Location", elsewhere.origin().toUtf8() + "/steal"}}, 0});
        elsewhere.setJson("GET", "/steal", "{}");
        QCOMPARE(net.fetch("/moved")->readAll(), QByteArray(R"({"ok":1})"));
        QVERIFY(net.fetch("/away")->error() != QNetworkReply::NoError);
        QVERIFY(elsewhere.requests().isEmpty());
    }

    void guardAbortsSlowAndOversizedAnswers()
    {
        Loopback net;
        QVERIFY(net.service.start());
        net.service.setJson("GET", "/slow", "{}", 2000);
        net.service.setJson("GET", "/big", QByteArray(4096, 'x'));
        net.service.setJson("GET", "/small", QByteArray(100, 'x'));
        QNetworkReply* slow = net.fetch("/slow", 200);
        QCOMPARE(slow->error(), QNetworkReply::OperationCanceledError);
        QVERIFY(!NetworkAccess::wasTooLarge(slow));
        QVERIFY(NetworkAccess::wasTooLarge(net.fetch("/big", 10'000, 1000)));
        QNetworkReply* small = net.fetch("/small", 10'000, 1000);
        QCOMPARE(small->error(), QNetworkReply::NoError);
        QCOMPARE(small->readAll().size(), 100);
    }
};

TALLYFERN_REGISTER_TEST(TestNetworkAccess);
#include "TestNetworkAccess.moc"
