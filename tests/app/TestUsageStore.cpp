#include "Await.h"
#include "EditorDatabase.h"
#include "RecordingRunner.h"
#include "ScriptedEdges.h"
#include "StoreWorld.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/UsageStore.h"
#include "app/desktop/LoginItem.h"
#include "client/EditorLogin.h"
#include "model/AccountList.h"
#include "platform/AtomicFile.h"
#include "platform/MemorySecretStore.h"
#include "platform/Paths.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// The store's world on 20 April 2026, and two accounts it may list.
struct World : StoreWorld
{
    World()
        : StoreWorld(u"2026-04-20T10:00:00+08:00"_s)
    {}

    // Two accounts: `account` in the home place ("user_a", a@example.com), `other` beside it
    // ("user_b", b@example.com, labelled "工作"), each answering with its own usage ("A", "B").
    // Not `listed`: no accounts.json yet, `account` is the home account alone.
    std::unique_ptr<UsageStore> twoAccounts(bool listed = true)
    {
        const AccountList list{
            u"user_a"_s,
            u"user_a"_s,
            {{u"user_a"_s, u"a@example.com"_s, {}, {}}, {u"user_b"_s, u"b@example.com"_s, {}, u"工作"_s}}};
        QDir().mkpath(Paths::supportFolder());
        if (listed)
            AtomicFile::write(AccountList::fileName(), list.encode());
        account.service->usage = labelledSnapshot(u"A"_s);
        account.service->usage->cursorModelsPercent = 30;
        other.service->usage = labelledSnapshot(u"B"_s);
        other.session->token = u"b"_s;
        return store();
    }
};

} // namespace

// The window's façade over the pipeline, the session's actions and the settings: which refresh
// each of its actions starts, and what its switches keep.
class TestUsageStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theTimerRefreshesSilently()
    {
        World world;
        world.account.session->token.reset();
        world.account.service->overviews.hold();
        const auto store = world.store(40ms);
        QVERIFY2(store->backgroundRefreshEnabled() && !world.runner.commands.isEmpty(),
                 "enabled by default, and the agent installed at start");
        world.account.session->token = u"tok"_s;
        QTRY_VERIFY(world.account.text().contains(u"overview tok"_s));
        QVERIFY(!store->isRefreshing()); // no progress for a refresh nobody asked for
        // "刷新" is the user's: progress shown.
        store->refresh(false);
        QVERIFY(store->isRefreshing());
        world.account.service->overviews.releaseAll();
        QVERIFY(!store->isRefreshing());
    }

    void historySwitch()
    {
        World world;
        world.account.snapshots->stored = labelledSnapshot(u"c0"_s);
        const auto store = world.store();
        // The start-up refresh synced the ledger, and the trends page read it again.
        QCOMPARE(store->trends().syncedDays, 1);
        world.account.journal->clear();
        // Off deletes what was kept; on syncs at once (when there is a session: TestRefreshOrder).
        store->setHistoryEnabled(false);
        QVERIFY(!store->historyEnabled());
        QCOMPARE(store->trends().syncedDays, 0);
        store->setHistoryEnabled(true);
        QCOMPARE(world.account.text(), u"ledger removed, ledger 20 tok"_s);
        QCOMPARE(store->trends().syncedDays, 2);
    }

    void switchingAsksNothing()
    {
        World world;
        const auto store = world.twoAccounts();
        QCOMPARE(store->snapshot().planName, u"A+p"_s); // both refreshed at the start
        QCOMPARE(store->accountRows().at(1).name, u"工作"_s);
        world.account.journal->clear();
        world.other.journal->clear();
        QSignalSpy changed(store.get(), &UsageStore::changed);
        store->setCurrentAccount(1);
        QCOMPARE(store->snapshot().planName, u"B+p"_s);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(world.account.text() + world.other.text(), QString());
        // Each account's trends as last read, until its ledger syncs again.
        QCOMPARE(store->trends().syncedDays, 1);
        store->setCurrentAccount(0);
        await(store->refresh(true));
        QCOMPARE(store->trends().syncedDays, 2);
        store->setCurrentAccount(1);
        QCOMPARE(store->trends().syncedDays, 2);
        // Removed elsewhere while shown: the trends go with it.
        world.other.ledger->syncs.hold();
        await(store->refresh(true));
        AtomicFile::write(AccountList::fileName(),
                          AccountList{u"user_a"_s, u"user_a"_s, {{u"user_a"_s, {}, {}, {}}}}.encode());
        store->reloadAccounts();
        QCOMPARE(store->trends().syncedDays, 3);
        world.other.ledger->syncs.releaseAll();
    }

    void theAccountsOwnSessions()
    {
        World world;
        const auto store = world.twoAccounts();
        // A login of an account not listed goes nowhere.
        await(store->saveCookie(u"c"_s));
        QCOMPARE(store->refreshStatus(), u"这个登录属于另一个账号 · 请在「设置」中添加账号"_s);
        QCOMPARE(world.other.session->token, std::optional(u"b"_s));
        QCOMPARE(world.account.session->token, std::optional(u"tok"_s));
        // A listed one's goes to its own account, which is then shown, also when the list was read
        // again in another order while the keyring asked for its password.
        world.account.service->identities.insert(u"b2"_s, {1, u"user_b"_s, u"b@example.com"_s, {}});
        *world.other.session->locked = world.other.session->unlockSucceeds = true;
        world.other.session->unlocks.hold();
        QCoro::Task<> saving = store->saveCookie(u"b2"_s);
        AtomicFile::write(
            AccountList::fileName(),
            AccountList{u"user_a"_s, u"user_a"_s, {{u"user_b"_s, {}, {}, {}}, {u"user_a"_s, {}, {}, {}}}}
                .encode());
        store->reloadAccounts();
        world.other.session->unlocks.releaseAll();
        await(std::move(saving));
        QCOMPARE(world.other.session->token, std::optional(u"b2"_s));
        QCOMPARE(store->currentAccount(), 0);
        // Logging out signs out the account on screen alone.
        store->logout();
        QVERIFY(!world.other.session->token && world.account.session->token);
        QCOMPARE(store->accountRows().at(0).summary, u"未登录"_s);
        QCOMPARE(store->accountRows().at(1).summary, u"剩余 70%"_s);
    }

    void aSecondAccountFromTheEditor()
    {
        World world;
        world.secrets.write(SecretKey::home(), u"a"_s); // user_a's, as the service says
        const auto store = world.twoAccounts(false);
        EditorDatabase editor(EditorSession::databasePath());
        editor.setLogin(EditorDatabase::jwt(u"auth0|user_b"_s, Clock::now().secondsSince1970() + 3600));
        world.account.service->identities.insert(EditorLogin::current().token, {1, u"user_b"_s, {}, {}});
        // Turned away: nothing is followed.
        world.account.service->identifyAnswer = ScriptedService::Answer::unauthorized;
        await(store->addEditorAccount());
        QVERIFY(!store->followsEditor());
        world.account.service->identifyAnswer = ScriptedService::Answer::usage;
        await(store->addEditorAccount());
        QVERIFY(store->followsEditor());
        // The home account as it was, signed in, its edges made again for its user now known.
        QCOMPARE(store->accountRows().at(0).summary, u"剩余 70%"_s);
        QVERIFY(world.noticeTitles.contains(u"user_a"_s));
    }

    void newPricesRedrawWhicheverAccountFetchedThem()
    {
        World world;
        const auto store = world.twoAccounts();
        world.other.pricing->due = world.other.pricing->changes = true;
        world.other.pricing->syncs.hold();
        await(store->refresh(true));
        QSignalSpy changed(store.get(), &UsageStore::changed);
        world.other.pricing->syncs.releaseAll();
        QCOMPARE(changed.size(), 1);
    }

    void noticesNameTheAccountByItsLabelNow()
    {
        World world;
        const auto store = world.twoAccounts();
        QCOMPARE(*world.noticeTitles.value(u"user_a"_s), u"Tallyfern · a@example.com"_s);
        QCOMPARE(*world.noticeTitles.value(u"user_b"_s), u"Tallyfern · 工作"_s);
        QCOMPARE(store->setAccountLabel(u"user_b"_s, u"家"_s), QString());
        QCOMPARE(*world.noticeTitles.value(u"user_b"_s), u"Tallyfern · 家"_s);
    }

    void settingsPersist()
    {
        World world;
        {
            const auto store = world.store();
            world.runner.commands.clear();
            store->setBackgroundRefresh(false);
            QVERIFY(!store->backgroundRefreshEnabled());
            QVERIFY(world.runner.commands.join(u'\n').contains(u"disable"_s));
            store->setThresholds({50, 30});
            // The tray at login: off until switched on, then an autostart entry that does nothing
            // once the program is gone.
            QVERIFY(!store->trayAtLoginEnabled() && !QFile::exists(LoginItem::fileName()));
            store->setTrayAtLogin(true);
        }
        // For the running program (how a path is written is TestLaunchAgent's table).
        const QString program = QCoreApplication::applicationFilePath();
        const QString entry = QString::fromUtf8(fileBytes(LoginItem::fileName()));
        QCOMPARE(LoginItem::fileName(), world.env.configHome() + u"/autostart/com.local.tallyfern.desktop");
        QVERIFY(entry.contains(u"\nType=Application\n"_s) &&
                entry.contains(u"\nExec="_s + program + u" --background\nTryExec=" + program + u'\n'));
        QFile::remove(LoginItem::fileName());
        const auto again = world.store();
        QVERIFY(!again->backgroundRefreshEnabled() && again->trayAtLoginEnabled());
        QCOMPARE(again->thresholds(), QuotaThresholds({50, 30}));
        QCOMPARE(QString::fromUtf8(fileBytes(LoginItem::fileName())), entry); // written again at every start
        again->setTrayAtLogin(false);
        QVERIFY(!QFile::exists(LoginItem::fileName()));
        QVERIFY(!world.store()->trayAtLoginEnabled());
    }
};

TALLYFERN_REGISTER_TEST(TestUsageStore);
#include "TestUsageStore.moc"
