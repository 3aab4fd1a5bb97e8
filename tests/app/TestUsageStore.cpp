#include "FakeService.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/UsageStore.h"
#include "client/DashboardClient.h"
#include "client/SessionKeychain.h"
#include "model/SnapshotStore.h"
#include "platform/MemorySecretStore.h"
#include "platform/ProcessRunner.h"
#include "platform/Settings.h"
#include "platform/WidgetCenter.h"

#include <QNetworkAccessManager>
#include <QtTest>

#include <atomic>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

class CountingRunner : public ProcessRunner
{
public:
    QStringList commands;
    int run(const QString& program, const QStringList& arguments) override
    {
        commands.append((QStringList{program} + arguments).join(u' '));
        return 0;
    }
};

QByteArray periodWithSpend(int cents)
{
    return QByteArray(
               R"({"billingCycleStart":"2026-11-17T00:00:00.000Z","billingCycleEnd":"2026-12-17T00:00:00.000Z",
        "planUsage":{"includedSpend":)") +
           QByteArray::number(cents) + R"(,"limit":40000}})";
}

UsageSnapshot storedSnapshot(double used)
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.monthlyUsed = used;
    s.source = u"dashboard-json"_s;
    s.updatedAt = *Timestamp::parseInternetDateTime(u"2026-12-01T00:00:00Z"_s);
    return s;
}

} // namespace

class TestUsageStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeService> m_service;
    MemorySecretStore m_secrets;
    CountingRunner m_runner;

    // Answers a healthy account; tests override single routes.
    void serveAccount()
    {
        m_service->setJson("GET", "/api/auth/me", R"({"id":"4242","email":"dev@example.com"})");
        m_service->setJson("POST", "/api/dashboard/get-current-period-usage", periodWithSpend(12300));
        m_service->setJson("POST", "/api/dashboard/get-plan-info", R"({"planInfo":{"planName":"Pro"}})");
        m_service->setJson("POST", "/api/dashboard/get-sand-usage-status", R"({"usagePercent":5})");
        m_service->setJson(
            "POST", "/api/dashboard/get-aggregated-usage-events",
            R"({"aggregations":[{"modelIntent":"auto","inputTokens":"100"}],"totalInputTokens":"100"})");
        m_service->setJson("POST", "/api/dashboard/get-filtered-usage-events",
                           R"({"totalUsageEventsCount":1,"usageEventsDisplay":[{"timestamp":"1764979200000",
                               "model":"auto","kind":"USAGE_EVENT_KIND_INCLUDED_IN_PRO",
                               "tokenUsage":{"inputTokens":100}}]})");
    }

    int requestCount() const { return int(m_service->requests().size()); }

private Q_SLOTS:
    void init()
    {
        // A fresh support folder, settings, keychain and service for every case.
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(u"2026-12-06T08:00:00Z"_s);
        m_service = std::make_unique<FakeService>();
        QVERIFY(m_service->start());
        qputenv("TALLYFERN_SERVICE_ORIGIN", m_service->origin().toUtf8());
        m_secrets.remove();
        m_secrets.setFailsWrites(false);
        SecretStore::setCurrent(&m_secrets);
        m_runner.commands.clear();
        ProcessRunner::setCurrent(&m_runner);
        DashboardClient::Testing::reset();
        // The pricing document stays unanswered (404): the built-in table is used.
    }

    void cleanup()
    {
        SecretStore::setCurrent(nullptr);
        ProcessRunner::setCurrent(nullptr);
        qunsetenv("TALLYFERN_SERVICE_ORIGIN");
        m_service.reset();
        m_env.reset();
    }

    void startsQuietlyWithoutTokenOrData()
    {
        UsageStore store(40ms);
        QCOMPARE(store.refreshStatus(), u"等待粘贴 Cookie"_s);
        QVERIFY(!store.hasSession());
        QVERIFY(!store.isRefreshing());
        QCOMPARE(store.snapshot(), UsageSnapshot::empty());
        QCOMPARE(store.pricingLabel(), u"标价用内置表"_s);
        QVERIFY(store.backgroundRefreshEnabled());
        QVERIFY2(!m_runner.commands.isEmpty(), "the agent is installed at start when enabled");
        // Timer ticks refresh silently and change nothing without a token.
        QTest::qWait(150);
        QCOMPARE(store.refreshStatus(), u"等待粘贴 Cookie"_s);
        QCOMPARE(requestCount(), 0);
        QVERIFY(!QFile::exists(SnapshotStore::fileName()));
    }

    void showsTheCacheWithoutAToken()
    {
        auto defaults = Settings::open(u"Tallyfern"_s);
        defaults->setValue(u"usageSnapshot"_s, *storedSnapshot(7).encode());
        defaults.reset();

        UsageStore store(1h);
        QCOMPARE(store.refreshStatus(), u"已显示上次缓存 · 请重新粘贴 Cookie 后刷新"_s);
        QCOMPARE(store.snapshot(), storedSnapshot(7));
        // Stored again where the widget reads it, and the widget nudged.
        QCOMPARE(SnapshotStore::load(nullptr), storedSnapshot(7));
        QVERIFY(QFile::exists(WidgetCenter::markerFileName()));
        QCOMPARE(requestCount(), 0);

        store.refresh(false);
        QCOMPARE(store.refreshStatus(), u"还没有登录态。请先粘贴 Cookie。"_s);
        QCOMPARE(requestCount(), 0);
    }

    void refreshAppliesTheOverviewThenTheEventPatch()
    {
        serveAccount();
        QVERIFY(m_secrets.write(u"token-abc"_s));
        UsageStore store(1h);
        QVERIFY(store.hasSession());
        QCOMPARE(store.refreshStatus(), u"正在读取用量"_s);
        QVERIFY(store.isRefreshing());

        QTRY_VERIFY(store.refreshStatus().startsWith(u"已更新 · "_s));
        QVERIFY(!store.isRefreshing());
        QCOMPARE(store.refreshStatus(), u"已更新 · "_s + UsageStore::shortTime(store.snapshot().updatedAt));
        QCOMPARE(store.snapshot().monthlyUsed, 123.0);
        QCOMPARE(store.snapshot().planName, u"Pro"_s);
        QCOMPARE(store.snapshot().days.size(), 1); // from the event patch
        QCOMPARE(SnapshotStore::load(nullptr), store.snapshot());
        auto defaults = Settings::open(u"Tallyfern"_s);
        QCOMPARE(SnapshotStore::load(defaults.get()), store.snapshot());
        for (const FakeService::Request& request : m_service->requests()) {
            if (request.path.startsWith("/api"))
                QCOMPARE(request.headers.value("cookie"), QByteArray("WorkosCursorSessionToken=token-abc"));
        }
    }

    void failuresKeepTheSnapshot()
    {
        serveAccount();
        auto defaults = Settings::open(u"Tallyfern"_s);
        defaults->setValue(u"usageSnapshot"_s, *storedSnapshot(7).encode());
        defaults.reset();
        m_service->setAnswer("GET", "/api/auth/me", {500, "oops", {}, 0});
        QVERIFY(m_secrets.write(u"token"_s));

        UsageStore store(1h);
        QCOMPARE(store.refreshStatus(), u"已加载本地缓存"_s);
        QTRY_VERIFY(!store.isRefreshing());
        QCOMPARE(store.refreshStatus(), u"读取 /api/auth/me 失败"_s); // a user refresh: the error alone
        QCOMPARE(store.snapshot(), storedSnapshot(7));

        store.refresh(true);
        QTRY_COMPARE(store.refreshStatus(), u"仍显示缓存 · 读取 /api/auth/me 失败"_s);
        QCOMPARE(SnapshotStore::load(nullptr), storedSnapshot(7));
        QVERIFY(store.hasSession());
    }

    void anExpiredCookieIsRemoved()
    {
        serveAccount();
        m_service->setAnswer("POST", "/api/dashboard/get-current-period-usage", {401, {}, {}, 0});
        QVERIFY(m_secrets.write(u"token"_s));
        UsageStore store(1h);
        QTRY_VERIFY(!store.hasSession());
        QCOMPARE(store.refreshStatus(), u"Cookie 已失效，请重新粘贴"_s);
        QVERIFY(!m_secrets.read());
        QVERIFY(!store.isRefreshing());
    }

    void theNewestRefreshWins()
    {
        serveAccount();
        // The first overview is slow; the second, started later, answers at once.
        std::atomic<int> calls = 0;
        m_service->setHandler("GET", "/api/auth/me", [&calls](const FakeService::Request&) {
            return FakeService::Answer{200, R"({"id":1})", {}, calls++ == 0 ? 1500 : 0};
        });
        std::atomic<int> periods = 0;
        m_service->setHandler("POST", "/api/dashboard/get-current-period-usage",
                              [&periods](const FakeService::Request&) {
                                  return FakeService::Answer{200, periodWithSpend(++periods * 100), {}, 0};
                              });
        QVERIFY(m_secrets.write(u"token"_s));
        UsageStore store(1h); // starts the slow user refresh
        QVERIFY(store.isRefreshing());
        // Its requests travel on several connections: wait until its period answer is served, so
        // that the timer refresh below is certainly the second one the service sees.
        QTRY_COMPARE(m_service->requests("/api/dashboard/get-current-period-usage").size(), 1);
        store.refresh(true); // a timer refresh that finishes first

        QTRY_COMPARE(store.snapshot().monthlyUsed, 2.0);
        QVERIFY2(store.isRefreshing(), "the user refresh is still running");
        QTRY_VERIFY(!store.isRefreshing());
        QTest::qWait(100);
        QCOMPARE(store.snapshot().monthlyUsed, 2.0); // the older result was dropped
        QCOMPARE(SnapshotStore::load(nullptr).monthlyUsed, 2.0);
    }

    void aStaleRejectionKeepsTheToken()
    {
        serveAccount();
        std::atomic<int> calls = 0;
        m_service->setHandler("GET", "/api/auth/me", [&calls](const FakeService::Request&) {
            return calls++ == 0 ? FakeService::Answer{401, {}, {}, 400}
                                : FakeService::Answer{200, R"({"id":1})", {}, 0};
        });
        QVERIFY(m_secrets.write(u"token"_s));
        UsageStore store(1h);
        QTRY_COMPARE(m_service->requests("/api/auth/me").size(), 1); // the user refresh's, rejected late
        store.refresh(true);
        QTRY_VERIFY(!store.isRefreshing());
        QVERIFY(m_secrets.read());
        QVERIFY(store.hasSession());
        QVERIFY(store.refreshStatus().startsWith(u"已更新"_s));
    }

    void savingAndForgettingTheCookie()
    {
        serveAccount();
        UsageStore store(1h);
        store.setShowCookieSheet(true);
        store.saveCookie(u"  \n\t "_s);
        QCOMPARE(store.refreshStatus(), u"请粘贴 Cookie"_s);
        QVERIFY(store.showCookieSheet());
        QVERIFY(!m_secrets.read());

        m_secrets.setFailsWrites(true);
        store.saveCookie(u"WorkosCursorSessionToken=abc"_s);
        QCOMPARE(store.refreshStatus(), u"无法写入本机钥匙串"_s);
        QVERIFY(store.showCookieSheet());
        m_secrets.setFailsWrites(false);

        store.saveCookie(u"other=1; WorkosCursorSessionToken=abc%3A%3Adef; x=2"_s);
        QCOMPARE(store.refreshStatus(), u"已保存到本机钥匙串，正在读取用量"_s);
        QVERIFY(!store.showCookieSheet());
        QVERIFY(store.hasSession());
        QVERIFY(m_secrets.read());
        QTRY_VERIFY(store.refreshStatus().startsWith(u"已更新"_s));
        const QList<FakeService::Request> me = m_service->requests("/api/auth/me");
        QVERIFY(!me.isEmpty());
        QCOMPARE(me[0].headers.value("cookie"), "WorkosCursorSessionToken=" + m_secrets.read()->toUtf8());

        const UsageSnapshot shown = store.snapshot();
        store.logout();
        QCOMPARE(store.refreshStatus(), u"已退出登录。上次用量仍留在本机。"_s);
        QVERIFY(!store.hasSession());
        QVERIFY(!m_secrets.read());
        QCOMPARE(store.snapshot(), shown);
        QCOMPARE(SnapshotStore::load(nullptr), shown);
    }

    void settingsPersist()
    {
        {
            UsageStore store(1h);
            QVERIFY(!store.isPinned());
            store.setPinned(true);
            m_runner.commands.clear();
            store.setBackgroundRefresh(false);
            QVERIFY(!store.backgroundRefreshEnabled());
            QVERIFY(!m_runner.commands.isEmpty());
            QVERIFY(m_runner.commands.join(u'\n').contains(u"disable"_s));
        }
        auto defaults = Settings::open(u"Tallyfern"_s);
        QCOMPARE(defaults->value(u"backgroundRefreshEnabled"_s).toBool(), false);
        QCOMPARE(defaults->value(u"windowPinnedEnabled"_s).toBool(), true);
        UsageStore again(1h);
        QVERIFY(again.isPinned());
        QVERIFY(!again.backgroundRefreshEnabled());
    }
};

TALLYFERN_REGISTER_TEST(TestUsageStore);
#include "TestUsageStore.moc"
