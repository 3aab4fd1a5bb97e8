#include "AppWorld.h"
#include "EditorDatabase.h"
#include "FakeNotifications.h"
#include "TestRegistry.h"

#include "app/UsageStore.h"
#include "app/desktop/LoginItem.h"
#include "app/desktop/QuotaNotices.h"
#include "client/EditorLogin.h"
#include "client/EditorSession.h"
#include "history/Ledger.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Preferences.h"
#include "platform/WidgetCenter.h"

#include <atomic>

using namespace std::chrono_literals;

namespace {

QByteArray periodWithSpend(int cents)
{
    return R"({"billingCycleStart":"2026-04-17T00:00:00.000Z","billingCycleEnd":"2026-05-17T00:00:00.000Z",
        "planUsage":{"limit":40000,"includedSpend":)" +
           QByteArray::number(cents) + "}}";
}

// A snapshot left by an earlier run, in the settings entry the app reads first.
UsageSnapshot storeEarlierSnapshot()
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.monthlyUsed = 7;
    s.updatedAt = *Timestamp::parseInternetDateTime(u"2026-04-01T00:00:00Z"_s);
    Preferences::setValue(Preferences::Key::usageSnapshot, *s.encode());
    return s;
}

} // namespace

class TestUsageStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsQuietlyWithoutTokenOrData()
    {
        AppWorld world;
        {
            UsageStore store(40ms);
            QCOMPARE(store.refreshStatus(), u"等待粘贴 Cookie"_s);
            QVERIFY(!store.hasSession() && !store.isRefreshing());
            QCOMPARE(store.snapshot(), UsageSnapshot::empty());
            QCOMPARE(store.pricingLabel(), u"标价用内置表"_s);
            QVERIFY2(store.backgroundRefreshEnabled() && !world.runner.commands.isEmpty(),
                     "enabled by default, and the agent installed at start");
            // Timer ticks refresh silently and change nothing without a token.
            QTest::qWait(150);
            QCOMPARE(store.refreshStatus(), u"等待粘贴 Cookie"_s);
            QVERIFY(world.service.requests().isEmpty());
            QVERIFY(!QFile::exists(SnapshotStore::fileName()));
        }

        // A snapshot from an earlier run is shown.
        const UsageSnapshot earlier = storeEarlierSnapshot();
        UsageStore store(1h);
        QCOMPARE(store.refreshStatus(), u"已显示上次缓存 · 请重新粘贴 Cookie 后刷新"_s);
        QCOMPARE(store.snapshot(), earlier);
        // Stored again where the widget reads it, and the widget nudged.
        QCOMPARE(SnapshotStore::load(std::nullopt), earlier);
        QVERIFY(QFile::exists(WidgetCenter::markerFileName()));

        store.refresh(false);
        QCOMPARE(store.refreshStatus(), u"还没有登录态。请先粘贴 Cookie。"_s);
        QVERIFY(world.service.requests().isEmpty());
    }

    void refreshAppliesTheOverviewThenTheEventPatch()
    {
        AppWorld world;
        FakeNotifications notifications;
        QVERIFY(world.secrets.write(u"token-abc"_s));
        UsageStore store(1h);
        QCOMPARE(store.refreshStatus(), u"正在读取用量"_s);
        QVERIFY(store.hasSession() && store.isRefreshing());

        QTRY_COMPARE(store.refreshStatus(),
                     u"已更新 · "_s + UsageStore::shortTime(store.snapshot().updatedAt));
        QVERIFY(!store.isRefreshing());
        QCOMPARE(store.snapshot().monthlyUsed, 232.22);
        QCOMPARE(store.snapshot().planName, u"Pro+"_s);
        QVERIFY2(!store.snapshot().days.isEmpty(), "the event patch was applied");
        QCOMPARE(SnapshotStore::load(std::nullopt), store.snapshot());
        QCOMPARE(SnapshotStore::load(), store.snapshot());
        // Then the ledger syncs on its own, and the trends page's figures follow it.
        QTRY_VERIFY(store.trends().elapsedDays > 0);
        QVERIFY(QFile::exists(Ledger::defaultPath()));
        for (const FakeService::Request& request : world.service.requests()) {
            if (request.path.startsWith("/api"))
                QCOMPARE(request.headers.value("cookie"), QByteArray("WorkosCursorSessionToken=token-abc"));
        }
        // Overview and event patch were both applied; each notice went out once.
        QTRY_COMPARE(notifications.calls.size(), 2);
        QVERIFY(notifications.calls[0].endsWith(u"高级模型额度只剩 3%（账期到 5月17日）"_s));

        // Switched off: nothing claimed, nothing sent.
        store.setQuotaNotices(false);
        QFile::remove(QuotaNotices::stateFileName());
        store.refresh(false);
        QTRY_VERIFY(!store.isRefreshing());
        QVERIFY(!QFile::exists(QuotaNotices::stateFileName()));
        QCOMPARE(notifications.calls.size(), 2);
    }

    void failuresKeepTheSnapshot()
    {
        AppWorld world;
        const UsageSnapshot earlier = storeEarlierSnapshot();
        world.service.setAnswer("GET", "/api/auth/me", {500, "oops", {}, 0});
        QVERIFY(world.secrets.write(u"token"_s));

        UsageStore store(1h);
        QCOMPARE(store.refreshStatus(), u"已加载本地缓存"_s);
        QTRY_VERIFY(!store.isRefreshing());
        QCOMPARE(store.refreshStatus(), u"读取 /api/auth/me 失败"_s); // a user refresh: the error alone
        QCOMPARE(store.snapshot(), earlier);

        store.refresh(true);
        QTRY_COMPARE(store.refreshStatus(), u"仍显示缓存 · 读取 /api/auth/me 失败"_s);
        QCOMPARE(SnapshotStore::load(std::nullopt), earlier);
        QVERIFY(store.hasSession());

        // A busy service: until the time it named, neither the timer nor the next start reaches it;
        // the user's own refresh still does.
        const QString busy = u"服务繁忙，10:02 后再试 · 仍显示缓存"_s;
        world.service.setAnswer("GET", "/api/auth/me", {429, {}, {{"Retry-After", "120"}}, 0});
        store.refresh(true);
        QTRY_COMPARE(store.refreshStatus(), busy);
        world.service.clearRequests();
        Preferences::remove(Preferences::Key::pricingLastAttemptDay);
        store.refresh(true); // only the day's pricing download, which a 429 does not hold back
        UsageStore next(1h);
        QCOMPARE(next.refreshStatus(), busy);
        QTRY_COMPARE(world.service.requests(PricingClient::documentPath).size(), 1);
        QCOMPARE(world.service.requests().size(), 1);
        // With nothing cached, nothing is said to be still shown.
        Preferences::remove(Preferences::Key::usageSnapshot);
        QVERIFY(QFile::remove(SnapshotStore::fileName()));
        QCOMPARE(UsageStore(1h).refreshStatus(), u"服务繁忙，10:02 后再试"_s);
        store.refresh(false);
        QTRY_COMPARE(world.service.requests("/api/auth/me").size(), 1);
        QCOMPARE(store.snapshot(), earlier);
    }

    void aLockedKeyringWaitsForTheUser()
    {
        AppWorld world;
        const UsageSnapshot earlier = storeEarlierSnapshot();
        QVERIFY(world.secrets.write(u"token"_s));
        world.secrets.setLocked(true);
        UsageStore store(1h);
        store.refresh(true);
        QCOMPARE(store.refreshStatus(), u"钥匙串已锁定 · 点「刷新」解锁"_s);
        QVERIFY(store.hasSession() && world.secrets.unlockCount() == 0);

        // Cancelled unlocks are no logout: the token and the cache stay.
        store.refresh(false);
        QTRY_COMPARE(store.refreshStatus(), u"钥匙串仍锁定 · 仍显示缓存"_s);
        QSignalSpy changed(&store, &UsageStore::changed);
        store.logout();
        QTRY_COMPARE(changed.size(), 1);
        QVERIFY(store.hasSession() && store.snapshot() == earlier && world.service.requests().isEmpty());
        QCOMPARE(world.secrets.unlockCount(), 2);

        // Unlocked by the user: the refresh goes on, to its event patch and the ledger's sync.
        world.secrets.setLocked(true, true);
        store.refresh(false);
        QTRY_VERIFY(store.refreshStatus().startsWith(u"已更新 · "_s));
        QTRY_VERIFY(store.trends().elapsedDays > 0);
    }

    void aSnapshotThatCannotBeStoredIsNotShown()
    {
        AppWorld world;
        const UsageSnapshot earlier = storeEarlierSnapshot();
        QVERIFY(QDir().mkpath(SnapshotStore::fileName())); // a folder where the file goes
        QVERIFY(world.secrets.write(u"unsaved"_s));
        UsageStore store(1h);
        QTRY_VERIFY(!store.isRefreshing());
        QCOMPARE(store.refreshStatus(), u"无法保存用量数据 · 仍显示缓存"_s);
        QCOMPARE(store.snapshot(), earlier);
        QVERIFY(world.service.requests(DashboardClient::eventsPath).isEmpty()); // no event patch
    }

    void followingWaitsForALockedKeyring()
    {
        AppWorld world;
        EditorDatabase editor(EditorSession::databasePath());
        const QString jwt = EditorDatabase::jwt(u"user_1"_s, Clock::now().secondsSince1970() + 3600);
        QVERIFY(editor.setLogin(jwt));
        EditorLogin::setFollowing(true);
        world.secrets.setLocked(true, true);

        // Neither the start nor the timer writes into the locked keyring: that would prompt.
        UsageStore store(1h);
        const QString locked = u"钥匙串已锁定 · 点「刷新」解锁"_s;
        QCOMPARE(store.refreshStatus(), locked);
        store.refresh(true);
        QCOMPARE(store.refreshStatus(), locked);
        QVERIFY(store.hasSession() && world.service.requests().isEmpty());
        QCOMPARE(world.secrets.writesWhileLocked(), 0);

        // The user's "刷新" unlocks first, without blocking, then takes the editor's login.
        store.refresh(false);
        QCOMPARE(world.secrets.writesWhileLocked(), 0);
        QTRY_VERIFY(store.refreshStatus().startsWith(u"已更新 · "_s));
        QTRY_VERIFY(store.trends().elapsedDays > 0); // the ledger's sync done too
        QCOMPARE(world.secrets.read(), u"user_1::"_s + jwt);
        QCOMPARE(world.secrets.unlockCount(), 1);

        // An import or a paste into a keyring that stays locked stores nothing and says so.
        world.secrets.setLocked(true);
        store.importFromEditor();
        QTRY_COMPARE(store.refreshStatus(), u"钥匙串仍锁定 · 仍显示缓存"_s);
        store.saveCookie(u"pasted"_s);
        QTRY_COMPARE(world.secrets.unlockCount(), 3);
        QCOMPARE(world.secrets.writesWhileLocked(), 0);
    }

    void anExpiredCookieIsRemovedByTheNewestRefreshOnly()
    {
        AppWorld world;
        // The user refresh's overview is rejected late, after a timer refresh has started.
        std::atomic<int> calls = 0;
        world.service.setHandler("GET", "/api/auth/me", [&calls](const FakeService::Request&) {
            return calls++ == 0 ? FakeService::Answer{401, {}, {}, 400}
                                : FakeService::Answer{200, R"({"id":1})", {}, 0};
        });
        QVERIFY(world.secrets.write(u"token"_s));
        UsageStore store(1h);
        QTRY_COMPARE(world.service.requests("/api/auth/me").size(), 1);
        store.refresh(true);
        QTRY_VERIFY(!store.isRefreshing());
        QVERIFY(world.secrets.read() && store.hasSession());
        QTRY_VERIFY(store.refreshStatus().startsWith(u"已更新"_s));

        // The newest refresh rejected: the cookie goes.
        world.service.setAnswer("GET", "/api/auth/me", {401, {}, {}, 0});
        store.refresh(false);
        QTRY_VERIFY(!store.hasSession());
        QCOMPARE(store.refreshStatus(), u"Cookie 已失效，请重新粘贴"_s);
        QVERIFY(!world.secrets.read() && !store.isRefreshing());
    }

    void followingTheEditorsLogin()
    {
        AppWorld world;
        std::atomic<bool> revoked = false;
        world.service.setHandler("GET", "/api/auth/me", [&revoked](const FakeService::Request&) {
            return revoked ? FakeService::Answer{204, {}, {}, 0}
                           : FakeService::Answer{200, R"({"id":1})", {}, 0};
        });
        EditorDatabase editor(EditorSession::databasePath());
        const double now = Clock::now().secondsSince1970();
        QVERIFY(editor.setLogin(EditorDatabase::jwt(u"user_1"_s, now + 3600)));
        UsageStore store(1h);
        QVERIFY(!store.hasSession() && !store.followsEditor() && !world.secrets.read());

        store.importFromEditor();
        QTRY_COMPARE(store.refreshStatus(), u"已保存到本机钥匙串，正在读取用量"_s);
        QVERIFY(store.hasSession() && store.followsEditor());
        QTRY_VERIFY(store.refreshStatus().startsWith(u"已更新"_s));

        // Revoked: the token goes and is not taken up again while the editor still holds it. The
        // window reads the switch at each use: here "--import-session" turned it on meanwhile.
        store.setFollowEditor(false);
        EditorLogin::importNow();
        revoked = true;
        store.refresh(false);
        QTRY_VERIFY(!store.hasSession());
        QCOMPARE(store.refreshStatus(), u"Cursor 编辑器的登录已失效，请在编辑器中重新登录，或粘贴 Cookie"_s);
        store.refresh(false);
        QVERIFY(!store.hasSession() && !world.secrets.read());
        store.importFromEditor();
        QTRY_COMPARE(store.refreshStatus(),
                     u"Cursor 编辑器的登录已失效，请在编辑器中重新登录，或粘贴 Cookie"_s);
        QVERIFY(!store.hasSession() && !world.secrets.read());
        QCOMPARE(world.service.requests("/api/auth/me").size(), 2);

        // Signed in again in the editor: the next timer refresh follows.
        revoked = false;
        const QString jwt = EditorDatabase::jwt(u"user_1"_s, now + 7200);
        QVERIFY(editor.setLogin(jwt));
        store.refresh(true);
        QVERIFY(store.hasSession());
        QCOMPARE(world.secrets.read(), u"user_1::"_s + jwt);
        QTRY_VERIFY(store.refreshStatus().startsWith(u"已更新"_s));
        QVERIFY(editor.setLogin(EditorDatabase::jwt(u"user_1"_s, now + 30))); // expiring: not taken
        store.refresh(true);
        QCOMPARE(world.secrets.read(), u"user_1::"_s + jwt);
        QTRY_VERIFY(!store.isRefreshing());

        // A paste is the user's choice over the editor: following ends (also when another process
        // turned it on), the paste stays.
        store.setFollowEditor(false);
        EditorLogin::setFollowing(true);
        store.saveCookie(u"pasted"_s);
        QTRY_VERIFY(!store.followsEditor());
        QVERIFY(editor.setLogin(EditorDatabase::jwt(u"user_1"_s, now + 9000)));
        store.refresh(true);
        QCOMPARE(world.secrets.read(), u"pasted"_s);
        QTRY_VERIFY(!store.isRefreshing());
    }

    void theNewestRefreshWins()
    {
        AppWorld world;
        // The first overview is slow; the second, started later, answers at once.
        std::atomic<int> calls = 0;
        world.service.setHandler("GET", "/api/auth/me", [&calls](const FakeService::Request&) {
            return FakeService::Answer{200, R"({"id":1})", {}, calls++ == 0 ? 1500 : 0};
        });
        std::atomic<int> periods = 0;
        world.service.setHandler("POST", "/api/dashboard/get-current-period-usage", [&periods](const auto&) {
            return FakeService::Answer{200, periodWithSpend(++periods * 100), {}, 0};
        });
        QVERIFY(world.secrets.write(u"token"_s));
        UsageStore store(1h); // starts the slow user refresh
        QVERIFY(store.isRefreshing());
        // Its requests travel on several connections: wait until its period answer is served, so
        // that the timer refresh below is certainly the second one the service sees.
        QTRY_COMPARE(world.service.requests("/api/dashboard/get-current-period-usage").size(), 1);
        store.refresh(true); // a timer refresh that finishes first

        QTRY_COMPARE(store.snapshot().monthlyUsed, 2.0);
        QVERIFY2(store.isRefreshing(), "the user refresh is still running");
        QTRY_VERIFY(!store.isRefreshing());
        QTest::qWait(100);
        QCOMPARE(store.snapshot().monthlyUsed, 2.0); // the older result was dropped
        QCOMPARE(SnapshotStore::load(std::nullopt).monthlyUsed, 2.0);
    }

    void savingAndForgettingTheCookie()
    {
        AppWorld world;
        UsageStore store(1h);
        store.setShowCookieSheet(true);
        store.saveCookie(u"  \n\t "_s);
        QCOMPARE(store.refreshStatus(), u"请粘贴 Cookie"_s);
        QVERIFY(store.showCookieSheet() && !world.secrets.read());

        world.secrets.setFailsWrites(true);
        store.saveCookie(u"WorkosCursorSessionToken=abc"_s);
        QCOMPARE(store.refreshStatus(), u"无法写入本机钥匙串"_s);
        QVERIFY(store.showCookieSheet());
        world.secrets.setFailsWrites(false);

        store.saveCookie(u"other=1; WorkosCursorSessionToken=abc%3A%3Adef; x=2"_s);
        QCOMPARE(store.refreshStatus(), u"已保存到本机钥匙串，正在读取用量"_s);
        QVERIFY(!store.showCookieSheet() && store.hasSession());
        QTRY_VERIFY(store.refreshStatus().startsWith(u"已更新"_s));
        const auto me = world.service.requests("/api/auth/me");
        QVERIFY(world.secrets.read() && !me.isEmpty());
        QCOMPARE(me[0].headers.value("cookie"), "WorkosCursorSessionToken=" + world.secrets.read()->toUtf8());

        const UsageSnapshot shown = store.snapshot();
        store.logout();
        QCOMPARE(store.refreshStatus(), u"已退出登录。上次用量仍留在本机。"_s);
        QVERIFY(!store.hasSession() && !world.secrets.read());
        QCOMPARE(store.snapshot(), shown);
        QCOMPARE(SnapshotStore::load(std::nullopt), shown);
    }

    void settingsPersist()
    {
        AppWorld world;
        {
            UsageStore store(1h);
            QVERIFY(!store.isPinned());
            store.setPinned(true);
            world.runner.commands.clear();
            store.setBackgroundRefresh(false);
            QVERIFY(!store.backgroundRefreshEnabled());
            QVERIFY(world.runner.commands.join(u'\n').contains(u"disable"_s));
            // History off deletes what was kept.
            QVERIFY(store.historyEnabled() && Ledger::open(Ledger::defaultPath()));
            store.setHistoryEnabled(false);
            QVERIFY(!QFile::exists(Ledger::defaultPath()));
            QVERIFY(store.quotaNoticesEnabled());
            store.setQuotaNotices(false);
            store.setThresholds({50, 30});
            store.setThresholds({30, 30}); // critical not below low: refused
            // The tray at login: off until switched on, then an autostart entry that does nothing
            // once the program is gone.
            QVERIFY(!store.trayAtLoginEnabled() && !QFile::exists(LoginItem::fileName()));
            store.setTrayAtLogin(true);
        }
        const QString program = QCoreApplication::applicationFilePath();
        const QByteArray entry =
            u"[Desktop Entry]\nType=Application\nName=Tallyfern\n"
            u"Comment=Open Tallyfern in the tray\nComment[zh_CN]=登录时在托盘中打开 Tallyfern\n"
            u"Icon=tallyfern\nExec=%1 --background\nTryExec=%1\nTerminal=false\n"_s.arg(program)
                .toUtf8();
        QCOMPARE(LoginItem::fileName(), world.env.configHome() + u"/autostart/com.local.tallyfern.desktop");
        QCOMPARE(fileBytes(LoginItem::fileName()), entry);
        const auto defaults = world.env.settingsFile();
        QVERIFY(!defaults->value(u"backgroundRefreshEnabled"_s).toBool());
        QVERIFY(defaults->value(u"windowPinnedEnabled"_s).toBool());
        QFile::remove(LoginItem::fileName());
        UsageStore again(1h);
        QVERIFY(again.isPinned() && !again.backgroundRefreshEnabled() && !again.quotaNoticesEnabled() &&
                again.trayAtLoginEnabled() && !again.historyEnabled());
        QCOMPARE(again.thresholds(), QuotaThresholds({50, 30}));
        QCOMPARE(fileBytes(LoginItem::fileName()), entry); // written again at every start
        again.setTrayAtLogin(false);
        QVERIFY(!QFile::exists(LoginItem::fileName()));
        QVERIFY(!UsageStore(1h).trayAtLoginEnabled());
    }
};

TALLYFERN_REGISTER_TEST(TestUsageStore);
#include "TestUsageStore.moc"
