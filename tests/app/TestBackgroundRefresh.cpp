#include "HeadlessWorld.h"
#include "TestRegistry.h"

#include "app/BackgroundRefresh.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Settings.h"
#include "platform/WidgetCenter.h"

#include <QtTest>

#include <exception>

using namespace Qt::StringLiterals;

namespace {

QCoro::Task<> markDone(QCoro::Task<> task, bool* done)
{
    co_await std::move(task);
    *done = true;
}

// One headless refresh, to its end.
bool runOnce()
{
    bool done = false;
    auto task = markDone(BackgroundRefresh::runOnce(), &done);
    return QTest::qWaitFor([&done] { return done; }, 30'000);
}

QCoro::Task<> capture(QCoro::Task<UsageSnapshot> task, std::optional<UsageSnapshot>* result,
                      std::exception_ptr* error)
{
    try {
        *result = co_await std::move(task);
    } catch (...) {
        *error = std::current_exception();
    }
}

// The overview the client makes of the sample account at the pinned time.
std::optional<UsageSnapshot> fetchOverview()
{
    std::optional<UsageSnapshot> result;
    std::exception_ptr error;
    auto task = capture(DashboardClient::fetchOverview(), &result, &error);
    if (!QTest::qWaitFor([&] { return result || error; }, 30'000))
        return std::nullopt;
    return result;
}

QByteArray fileBytes(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariant settingsSnapshot()
{
    return Settings::open(QLatin1StringView(Settings::appDomain))
        ->value(QLatin1StringView(SnapshotStore::settingsKey));
}

QStringList pathsOf(const QList<FakeService::Request>& requests)
{
    QStringList paths;
    for (const FakeService::Request& request : requests)
        paths.append(QString::fromUtf8(request.path));
    return paths;
}

} // namespace

class TestBackgroundRefresh : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storesOneSnapshot()
    {
        HeadlessWorld world;
        QVERIFY(runOnce());

        const QByteArray stored = fileBytes(SnapshotStore::fileName());
        const auto snapshot = UsageSnapshot::decode(stored);
        QVERIFY(snapshot);
        QVERIFY(snapshot->hasRealData);
        QVERIFY2(!snapshot->days.isEmpty(), "the event patch was applied");
        QCOMPARE(settingsSnapshot().toByteArray(), stored);
        QVERIFY(QFile::exists(WidgetCenter::markerFileName()));
        QVERIFY(PricingStore::load());
        QCOMPARE(world.store().read(), std::optional(QString::fromLatin1(HeadlessWorld::token)));

        // The pricing sync is awaited before the first dashboard request goes out.
        const auto requests = world.service().requests();
        QVERIFY(requests.size() > 2);
        QCOMPARE(requests[0].path, QByteArray(PricingClient::documentPath));
        QVERIFY(requests[0].answeredMs <= requests[1].arrivedMs);
        QVERIFY(!pathsOf(requests.sliced(1)).contains(QLatin1StringView(PricingClient::documentPath)));
    }

    void withoutTokenOnlyPricing()
    {
        HeadlessWorld world;
        world.store().remove();
        QVERIFY(runOnce());

        QCOMPARE(pathsOf(world.service().requests()),
                 QStringList{QLatin1StringView(PricingClient::documentPath)});
        QVERIFY(PricingStore::load());
        QVERIFY(!QFile::exists(SnapshotStore::fileName()));
        QVERIFY(!settingsSnapshot().isValid());
        // Not even for the new prices: there is nothing of this run to show.
        QVERIFY(!QFile::exists(WidgetCenter::markerFileName()));
    }

    void failedOverviewKeepsTheStoredSnapshot_data()
    {
        QTest::addColumn<bool>("pricingChanged");
        QTest::newRow("same day, no pricing download") << false;
        QTest::newRow("next day, new prices") << true;
    }

    void failedOverviewKeepsTheStoredSnapshot()
    {
        QFETCH(bool, pricingChanged);
        HeadlessWorld world;
        QVERIFY(runOnce());
        const QByteArray before = fileBytes(SnapshotStore::fileName());
        QVERIFY(!before.isEmpty());
        QVERIFY(QFile::remove(WidgetCenter::markerFileName()));

        // An expired cookie: the headless run must neither store nor sign the user out.
        world.service().setAnswer("GET", DashboardClient::mePath, FakeService::Answer{401, {}, {}, 0});
        if (pricingChanged) {
            world.environment().setNow(u"2026-04-21T10:00:00+08:00"_s);
            world.servePricing(HeadlessWorld::pricingDocument().replace("$0.125", "$0.10"));
        }
        world.service().clearRequests();
        QVERIFY(runOnce());

        QCOMPARE(fileBytes(SnapshotStore::fileName()), before);
        QCOMPARE(settingsSnapshot().toByteArray(), before);
        QCOMPARE(world.store().read(), std::optional(QString::fromLatin1(HeadlessWorld::token)));
        QCOMPARE(QFile::exists(WidgetCenter::markerFileName()), pricingChanged);
        QCOMPARE(pathsOf(world.service().requests()).contains(QLatin1StringView(PricingClient::documentPath)),
                 pricingChanged);
    }

    void failedPatchStoresTheOverview()
    {
        HeadlessWorld world;
        world.service().setAnswer("POST", DashboardClient::eventsPath, FakeService::Answer{401, {}, {}, 0});
        QVERIFY(runOnce());

        const auto stored = UsageSnapshot::decode(fileBytes(SnapshotStore::fileName()));
        QVERIFY(stored);
        QVERIFY(stored->days.isEmpty());
        QVERIFY(QFile::exists(WidgetCenter::markerFileName()));
        QCOMPARE(world.store().read(), std::optional(QString::fromLatin1(HeadlessWorld::token)));

        world.service().setAnswer("POST", DashboardClient::eventsPath, FakeService::Answer{500, {}, {}, 0});
        const auto overview = fetchOverview();
        QVERIFY(overview);
        QCOMPARE(*stored, *overview);
    }
};

TALLYFERN_REGISTER_TEST(TestBackgroundRefresh);
#include "TestBackgroundRefresh.moc"
