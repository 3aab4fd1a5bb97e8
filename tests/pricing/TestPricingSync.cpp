#include "FakeService.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/PricingStore.h"
#include "platform/Preferences.h"
#include "pricing/PricingClient.h"
#include "pricing/PricingParser.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray documentPath = "/docs/models-and-pricing.md";

Timestamp at(const QString& text)
{
    return *Timestamp::parseInternetDateTime(text);
}

// Synced on 1 May, with other rates than the served document.
const PricingCatalog older{
    at(u"2026-05-01T00:00:00Z"_s), std::nullopt, {{u"grok-4.5"_s, false, 1, 0, 0.25, 3, false}}};

QByteArray document(const QString& name = u"models-and-pricing.md"_s)
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
    (void)QTest::qWaitFor([&result] { return result.has_value(); }, 20'000);
    return result;
}

QString storedMarker()
{
    return Preferences::value(Preferences::Key::pricingLastAttemptDay).toString();
}

// The pricing client keeps its connections for the life of the process; closing them after each
// answer lets a test's fake service stop without waiting out its keep-alive.
FakeService::Answer markdown(int status, const QByteArray& body)
{
    return {status, body, {{"Content-Type", "text/markdown; charset=utf-8"}, {"Connection", "close"}}, 0};
}

} // namespace

// The daily download of the pricing document and the stored catalog and day marker behind it.
class TestPricingSync : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeService> m_service;

private Q_SLOTS:
    // No settings, no stored catalog and a fresh fake service, at 00:30 on 13 May local time.
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(u"2026-05-12T16:30:00Z"_s);
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

    void firstSyncStoresTheCatalogOncePerDay()
    {
        // Written on the service's thread: the marker must already be on disk when the request arrives.
        std::atomic<bool> markedBeforeRequest = false;
        m_service->setHandler("GET", documentPath, [&](const FakeService::Request&) {
            markedBeforeRequest = storedMarker() == "2026-05-13"_L1;
            return markdown(200, document());
        });
        QCOMPARE(PricingStore::syncLabel(), u"标价用内置表"_s);
        std::optional<bool> first, second;
        auto a = collect(PricingClient::syncIfNeeded(), &first);
        auto b = collect(PricingClient::syncIfNeeded(), &second);
        QCOMPARE(second, std::optional(false)); // decided before the first one's request went out
        QTRY_VERIFY_WITH_TIMEOUT(first.has_value(), 20'000);
        QCOMPARE(first, std::optional(true));
        QVERIFY(markedBeforeRequest);
        const auto requests = m_service->requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].method + ' ' + requests[0].path + requests[0].query + requests[0].body,
                 "GET " + documentPath);
        // Accept, and only what Qt's HTTP stack always sends (its generic User-Agent names neither
        // the app nor the user); never a cookie. REMOTE_/LOCAL_ are the fake service's own.
        QCOMPARE(requests[0].headers.value("accept"), QByteArray("text/markdown,text/plain,*/*"));
        QCOMPARE(requests[0].headers.value("user-agent"), QByteArray("Mozilla/5.0"));
        QCOMPARE(requests[0].headers.keys(),
                 (QByteArrayList{"accept", "accept-encoding", "accept-language", "connection", "host",
                                 "local_addr", "local_port", "remote_addr", "remote_port", "user-agent"}));

        QCOMPARE(PricingStore::load(), PricingParser::parse(QString::fromUtf8(document()), Clock::now()));
        QCOMPARE(PricingStore::syncLabel(), u"标价已同步 5月13日"_s);
        QCOMPARE(QFileInfo(PricingStore::fileName()).dir().entryList(QDir::Files),
                 QStringList{u"pricing.json"_s});

        // Due again from the next local midnight (Asia/Shanghai, the tests' zone, is UTC+8), or when
        // the clock is set back.
        QVERIFY(!PricingStore::needsSync(at(u"2026-05-13T15:59:59Z"_s)));
        QVERIFY(PricingStore::needsSync(at(u"2026-05-13T16:00:00Z"_s)));
        QVERIFY(PricingStore::needsSync(at(u"2026-05-12T15:59:59Z"_s)));
    }

    void failuresKeepTheStoredCatalog_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("404 with a document") << 404 << document();
        QTest::newRow("304 with a document") << 304 << document();
        QTest::newRow("300 with a document") << 300 << document();
        QTest::newRow("204 empty") << 204 << QByteArray();
        QTest::newRow("not UTF-8") << 200
                                   << document().replace("per million tokens", "\xA3 per million tokens");
        QTest::newRow("every row broken") << 200 << document(u"all-rows-broken.md"_s);
        QTest::newRow("nothing listening") << 0 << document();
    }

    void failuresKeepTheStoredCatalog()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        PricingStore::save(older);
        m_service->setAnswer("GET", documentPath, markdown(status, body));
        if (status == 0)
            m_service->stop();

        QCOMPARE(runSync(), std::optional(false));
        QCOMPARE(PricingStore::load(), older);
        // The failed attempt used up the day.
        QCOMPARE(storedMarker(), u"2026-05-13"_s);
        QCOMPARE(runSync(), std::optional(false));
        QCOMPARE(m_service->requests().size(), status == 0 ? 0 : 1);
    }

    // The document moved: each address of `hops` (a path here, "other" and a path on a second
    // fake service, or a URL) answers with a redirect to the next, the last one with `last`.
    void redirects_data()
    {
        QTest::addColumn<QByteArrayList>("hops");
        QTest::addColumn<QByteArray>("last");
        QTest::addColumn<bool>("synced");
        QTest::addColumn<int>("requested");
        QTest::newRow("back again: a loop")
            << QByteArrayList{"other/moved.md", documentPath} << QByteArray() << false << 2;
        QTest::newRow("to plain http off this machine")
            << QByteArrayList{"http://192.0.2.1/moved.md"} << QByteArray("document") << false << 1;
        QTest::newRow("over 4 MiB") << QByteArrayList{"other/moved.md"} << QByteArray("large") << false << 2;
        QTest::newRow("five hops, across origins")
            << QByteArrayList{"/1", "other/2", "/3", "other/4", "/5"} << QByteArray("document") << true << 6;
        QTest::newRow("six hops: too many")
            << QByteArrayList{"/1", "/2", "/3", "/4", "/5", "/6"} << QByteArray("document") << false << 6;
    }

    void redirects()
    {
        QFETCH(QByteArrayList, hops);
        QFETCH(QByteArray, last);
        QFETCH(bool, synced);
        QFETCH(int, requested);
        FakeService other;
        QVERIFY(other.start());
        const auto serviceOf = [&](const QByteArray& hop) -> std::pair<FakeService*, QByteArray> {
            if (hop.startsWith("other"))
                return {&other, hop.mid(5)};
            return {hop.startsWith('/') ? m_service.get() : nullptr, hop};
        };
        const auto urlOf = [&](const QByteArray& hop) {
            const auto [service, path] = serviceOf(hop);
            return service ? service->origin().toUtf8() + path : hop;
        };
        QByteArray large = document();
        large += QByteArray(5 * 1024 * 1024 - large.size(), 'x');
        const QByteArrayList addresses = QByteArrayList{documentPath} + hops;
        for (qsizetype i = addresses.size() - 1; i >= 0; --i) {
            const auto [service, path] = serviceOf(addresses[i]);
            if (service && i + 1 < addresses.size())
                service->setAnswer(
                    "GET", path,
                    {302, {}, {{"Location", urlOf(addresses[i + 1])}, {"Connection", "close"}}, 0});
            else if (service)
                service->setAnswer("GET", path, markdown(200, last == "large" ? large : document()));
        }

        QCOMPARE(runSync(), std::optional(synced));
        QCOMPARE(PricingStore::load().has_value(), synced);
        // Every address is asked for once at most.
        QByteArrayList asked;
        for (const FakeService* service : {m_service.get(), &other}) {
            for (const FakeService::Request& request : service->requests())
                asked.append(service->origin().toUtf8() + request.path);
        }
        QCOMPARE(asked.size(), requested);
        QCOMPARE(QSet<QByteArray>(asked.begin(), asked.end()).size(), asked.size());
    }

    void onlyChangedRatesAreSaved_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<bool>("saved");
        QTest::newRow("same rates: the older date stays") << QByteArray("$") << QByteArray("$") << false;
        QTest::newRow("another discount end")
            << QByteArray("May 12, 2026") << QByteArray("May 19, 2026") << true;
        QTest::newRow("another rate") << QByteArray("$0.125") << QByteArray("$0.126") << true;
    }

    void onlyChangedRatesAreSaved()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(bool, saved);
        m_service->setAnswer("GET", documentPath, markdown(200, document()));
        // The served document with one change, synced on 1 May.
        const auto stored = PricingParser::parse(QString::fromUtf8(document().replace(from, to)),
                                                 at(u"2026-05-01T00:00:00Z"_s));
        PricingStore::save(*stored);

        QCOMPARE(runSync(), std::optional(saved));
        QCOMPARE(PricingStore::load(),
                 saved ? PricingParser::parse(QString::fromUtf8(document()), Clock::now()) : stored);
        QCOMPARE(PricingStore::syncLabel(), saved ? u"标价已同步 5月13日"_s : u"标价已同步 5月1日"_s);
    }

    void onlyUsableCatalogsAreStored()
    {
        QVERIFY(PricingStore::save(older));
        // A catalog that cannot be encoded leaves the stored one whole.
        PricingCatalog broken = older;
        broken.entries[0].output = qInf();
        QVERIFY(!PricingStore::save(broken));
        QCOMPARE(PricingStore::load(), older);
    }

    // A regular file where the support folder should be, which not even root can write into.
    void aCatalogThatDidNotReachTheDiskIsNoSuccess()
    {
        m_service->setAnswer("GET", documentPath, markdown(200, document()));
        const QString folder = QFileInfo(PricingStore::fileName()).path();
        QFile blocker(folder);
        QVERIFY(QDir().mkpath(QFileInfo(folder).path()) && blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!PricingStore::save(older));
        QCOMPARE(runSync(), std::optional(false));
        QCOMPARE(m_service->requests().size(), 1);
    }
};

TALLYFERN_REGISTER_TEST(TestPricingSync);
#include "TestPricingSync.moc"
