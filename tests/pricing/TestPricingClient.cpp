#include "FakeService.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/PricingStore.h"
#include "platform/Settings.h"
#include "pricing/PricingClient.h"
#include "pricing/PricingParser.h"

#include <QtTest>

#include <mutex>

using namespace Qt::StringLiterals;

namespace {

const QByteArray documentPath = "/docs/models-and-pricing.md";

Timestamp at(const QString& text)
{
    return *Timestamp::parseInternetDateTime(text);
}

QByteArray document(const QString& name)
{
    return readTestData(TALLYFERN_TEST_DATA_DIR, name);
}

QCoro::Task<> collect(QCoro::Task<bool> task, std::optional<bool>* result)
{
    *result = co_await std::move(task);
}

// Runs one sync on the event loop; nothing when it did not finish in time.
std::optional<bool> runSync()
{
    std::optional<bool> result;
    auto task = collect(PricingClient::syncIfNeeded(), &result);
    if (!QTest::qWaitFor([&result] { return result.has_value(); }, 20'000))
        return std::nullopt;
    return result;
}

QByteArray storedBytes()
{
    QFile file(PricingStore::fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString storedMarker()
{
    return Settings::open(QLatin1StringView(Settings::appDomain))
        ->value(QLatin1StringView(PricingStore::lastAttemptKey))
        .toString();
}

// The pricing client keeps its connections for the life of the process; closing them after each
// answer lets a test's fake service stop without waiting out its keep-alive.
FakeService::Answer markdown(int status, const QByteArray& body, int delayMs = 0)
{
    return FakeService::Answer{
        status, body, {{"Content-Type", "text/markdown; charset=utf-8"}, {"Connection", "close"}}, delayMs};
}

} // namespace

class TestPricingClient : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeService> m_service;

    // A catalog with other rates than the served document, synced on an earlier day.
    PricingCatalog storeOlderCatalog()
    {
        const PricingCatalog older{
            at(u"2026-05-01T00:00:00Z"_s), std::nullopt, {{u"grok-4.5"_s, false, 1, 0, 0.25, 3, false}}};
        PricingStore::save(older);
        return older;
    }

private Q_SLOTS:
    // Every test starts with no settings, no stored catalog and a fresh fake service.
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(u"2026-05-13T08:00:00Z"_s);
        m_service = std::make_unique<FakeService>();
        QVERIFY(m_service->start());
        qputenv("TALLYFERN_SERVICE_ORIGIN", m_service->origin().toUtf8());
    }

    void cleanup()
    {
        qunsetenv("TALLYFERN_SERVICE_ORIGIN");
        m_service.reset();
        m_env.reset();
    }

    void firstSyncStoresTheCatalog()
    {
        // What the service saw: the marker must already be on disk when the request arrives.
        std::mutex mutex;
        QString markerAtRequest;
        m_service->setHandler("GET", documentPath, [&](const FakeService::Request&) {
            const QString marker = storedMarker();
            std::lock_guard lock(mutex);
            markerAtRequest = marker;
            return markdown(200, document(u"models-and-pricing.md"_s));
        });
        QCOMPARE(PricingStore::syncLabel(), u"标价用内置表"_s);

        QCOMPARE(runSync(), std::optional(true));

        const auto requests = m_service->requests();
        QCOMPARE(requests.size(), 1);
        const FakeService::Request& request = requests[0];
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, documentPath);
        QCOMPARE(request.query, QByteArray());
        QCOMPARE(request.body, QByteArray());
        {
            std::lock_guard lock(mutex);
            QCOMPARE(markerAtRequest, u"2026-05-13"_s);
        }

        QCOMPARE(request.headers.value("accept"), QByteArray("text/markdown,text/plain,*/*"));
        QVERIFY(!request.headers.contains("cookie"));
        QVERIFY(!request.headers.contains("authorization"));
        // Besides Accept, only what Qt's HTTP stack always sends: Host (required by HTTP/1.1),
        // Connection (keep-alive for the next request), Accept-Encoding (Qt decompresses gzip and
        // deflate itself), Accept-Language (from the system locale) and Qt's generic User-Agent
        // "Mozilla/5.0", which names neither the app nor the user. The fake service itself adds
        // the REMOTE_/LOCAL_ address pseudo-headers.
        QStringList names;
        for (const QByteArray& name : request.headers.keys()) {
            if (!name.startsWith("remote_") && !name.startsWith("local_"))
                names.append(QString::fromLatin1(name));
        }
        names.sort();
        QCOMPARE(names, (QStringList{u"accept"_s, u"accept-encoding"_s, u"accept-language"_s, u"connection"_s,
                                     u"host"_s, u"user-agent"_s}));
        QCOMPARE(request.headers.value("user-agent"), QByteArray("Mozilla/5.0"));
        QCOMPARE(request.headers.value("host"),
                 QByteArray("127.0.0.1:") + QByteArray::number(m_service->port()));

        const auto expected = PricingParser::parse(QString::fromUtf8(document(u"models-and-pricing.md"_s)),
                                                   at(u"2026-05-13T08:00:00Z"_s));
        QCOMPARE(PricingStore::load(), expected);
        QCOMPARE(PricingStore::syncLabel(), u"标价已同步 5月13日"_s);

        // Once a day: a second call the same local day does not touch the network.
        m_env->setNow(u"2026-05-13T15:59:59Z"_s);
        QCOMPARE(runSync(), std::optional(false));
        QCOMPARE(m_service->requests().size(), 1);
    }

    void callsStartedTogetherMakeOneRequest()
    {
        m_service->setAnswer("GET", documentPath, markdown(200, document(u"models-and-pricing.md"_s), 200));
        std::optional<bool> first, second;
        auto a = collect(PricingClient::syncIfNeeded(), &first);
        auto b = collect(PricingClient::syncIfNeeded(), &second);
        QCOMPARE(second, std::optional(false)); // decided before the first one's request went out
        QTRY_VERIFY_WITH_TIMEOUT(first.has_value(), 20'000);
        QCOMPARE(first, std::optional(true));
        QCOMPARE(m_service->requests().size(), 1);
    }

    void failuresKeepTheStoredCatalog_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("reachable");
        const QByteArray good = document(u"models-and-pricing.md"_s);
        QTest::newRow("404 with a document") << 404 << good << true;
        QTest::newRow("304 with a document") << 304 << good << true;
        QTest::newRow("300 with a document") << 300 << good << true;
        QTest::newRow("500") << 500 << good << true;
        QTest::newRow("204 empty") << 204 << QByteArray() << true;
        QTest::newRow("200 empty") << 200 << QByteArray() << true;
        QByteArray latin1 = good;
        latin1.replace("per million tokens", "per million tokens \xA3");
        QTest::newRow("not UTF-8") << 200 << latin1 << true;
        QTest::newRow("every row broken") << 200 << document(u"all-rows-broken.md"_s) << true;
        QTest::newRow("no pricing table")
            << 200 << QByteArray("# Plans\n\n| Plan | Price |\n| --- | --- |\n| Pro | $20/mo |\n") << true;
        QTest::newRow("a JSON error page") << 200 << QByteArray(R"({"error":"not found"})") << true;
        QTest::newRow("nothing listening") << 200 << good << false;
    }

    void failuresKeepTheStoredCatalog()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, reachable);
        const PricingCatalog older = storeOlderCatalog();
        const QByteArray before = storedBytes();
        m_service->setAnswer("GET", documentPath, markdown(status, body));
        if (!reachable)
            m_service->stop();

        QCOMPARE(runSync(), std::optional(false));
        QCOMPARE(m_service->requests().size(), reachable ? 1 : 0);
        QCOMPARE(storedBytes(), before);
        QCOMPARE(PricingStore::load(), older);
        QCOMPARE(PricingStore::syncLabel(), u"标价已同步 5月1日"_s);

        // The failed attempt used up the day.
        QCOMPARE(storedMarker(), u"2026-05-13"_s);
        QCOMPARE(runSync(), std::optional(false));
        QCOMPARE(m_service->requests().size(), reachable ? 1 : 0);
    }

    void redirectElsewhereIsNotFollowed()
    {
        FakeService elsewhere;
        QVERIFY(elsewhere.start());
        elsewhere.setAnswer("GET", documentPath, markdown(200, document(u"models-and-pricing.md"_s)));
        m_service->setAnswer(
            "GET", documentPath,
            {302,
             {},
             {{"Location", elsewhere.origin().toUtf8() + documentPath}, {"Connection", "close"}},
             0});
        QCOMPARE(runSync(), std::optional(false));
        QVERIFY(elsewhere.requests().isEmpty());
        QCOMPARE(PricingStore::load(), std::nullopt);
    }

    void unchangedRatesAreNotRewritten()
    {
        const QByteArray served = document(u"models-and-pricing.md"_s);
        m_service->setAnswer("GET", documentPath, markdown(200, served));
        // The same document, synced on 1 May.
        PricingStore::save(*PricingParser::parse(QString::fromUtf8(served), at(u"2026-05-01T00:00:00Z"_s)));
        const QByteArray before = storedBytes();

        QCOMPARE(runSync(), std::optional(false));
        QCOMPARE(m_service->requests().size(), 1);
        QCOMPARE(storedBytes(), before);
        QCOMPARE(PricingStore::syncLabel(), u"标价已同步 5月1日"_s);
    }

    void aChangedDiscountEndIsSaved()
    {
        const QByteArray served = document(u"models-and-pricing.md"_s);
        m_service->setAnswer("GET", documentPath, markdown(200, served));
        PricingCatalog stored =
            *PricingParser::parse(QString::fromUtf8(served), at(u"2026-05-01T00:00:00Z"_s));
        stored.grok46DiscountEnd = at(u"2026-05-27T00:00:00Z"_s);
        PricingStore::save(stored);

        QCOMPARE(runSync(), std::optional(true));
        QCOMPARE(PricingStore::load()->grok46DiscountEnd, at(u"2026-05-20T00:00:00Z"_s));
        QCOMPARE(PricingStore::syncLabel(), u"标价已同步 5月13日"_s);
    }

    void aNewLocalDayTriesAgain()
    {
        m_service->setAnswer("GET", documentPath, markdown(500, {}));
        m_env->setNow(u"2026-05-13T15:59:00Z"_s); // 23:59 local
        QCOMPARE(runSync(), std::optional(false));
        QCOMPARE(m_service->requests().size(), 1);

        m_service->setAnswer("GET", documentPath, markdown(200, document(u"models-and-pricing.md"_s)));
        m_env->setNow(u"2026-05-13T16:00:00Z"_s); // midnight local
        QCOMPARE(runSync(), std::optional(true));
        QCOMPARE(m_service->requests().size(), 2);
        QCOMPARE(storedMarker(), u"2026-05-14"_s);
    }
};

TALLYFERN_REGISTER_TEST(TestPricingClient);
#include "TestPricingClient.moc"
