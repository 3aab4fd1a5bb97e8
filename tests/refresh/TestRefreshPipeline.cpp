#include "RefreshTesting.h"
#include "TestRegistry.h"

namespace {

// The window's and the headless refresh (RefreshTesting.h) with the editor's login, taken over before the
// requests.
const QString windowAsEditor = QString(window).replace(u"tok"_s, u"editor"_s);
const QString headlessAsEditor = QString(headless).replace(u"tok"_s, u"editor"_s);

const QString noSession = u"还没有登录态。请先粘贴 Cookie。"_s;
const QString waiting = u"等待粘贴 Cookie"_s; // the status before anything was said
const QString locked = u"钥匙串已锁定 · 点「刷新」解锁"_s;
const QString cache = u" · 仍显示缓存"_s;
const QString busy = u"服务繁忙，10:02 后再试"_s;
const QString failed = u"读取 /api/auth/me 失败"_s;
const QString unreachable = u"无法连接服务，读取 /api/auth/me 失败"_s;
const QString expired = u"Cookie 已失效，请重新粘贴"_s;
const QString editorRejected = u"Cursor 编辑器的登录已失效，请在编辑器中重新登录，或粘贴 Cookie"_s;
const QString unsaved = u"无法保存用量数据"_s;
const QString refusedOrigin = u"tallyfern：TALLYFERN_SERVICE_ORIGIN 不可用：http://localhost."_s;

} // namespace

// The rules of one refresh, for each policy and each answer of its edges: what it asked the edges
// for (the journal: requests, token removed or remembered, snapshots stored, notices, ledger), the
// status it left, its result and whether a session is there afterwards.
class TestRefreshPipeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refresh_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<QString>("setup"); // RefreshTesting.h
        QTest::addColumn<QString>("journal");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("session");
        const auto row = [](const char* name, const char* policy, const char* setup, const QString& journal,
                            const QString& status, const char* result, bool session) {
            QTest::newRow(name) << QString::fromLatin1(policy) << QString::fromLatin1(setup) << journal
                                << status << QString::fromLatin1(result) << session;
        };

        // The token found, absent, or behind a locked keyring. Only the user's own refresh unlocks;
        // the headless run follows the editor only with a token, and says nothing.
        row("user", "user", "", u"follow, "_s + window, updated, "stored", true);
        row("timer", "timer", "", u"follow, "_s + window, updated, "stored", true);
        row("headless", "headless", "", u"pricing, follow, "_s + headless, updated, "stored", true);
        row("user, no token", "user", "no-token", u"follow"_s, noSession, "noSession", false);
        row("timer, no token: silent", "timer", "no-token", u"follow"_s, waiting, "noSession", false);
        row("headless, no token", "headless", "no-token", u"pricing"_s, waiting, "noSession", false);
        // Removed elsewhere since the pipeline last looked: the session is gone, and only a refresh
        // somebody asked for says so.
        row("user, the token gone since", "user", "signed-in no-token", u"follow"_s, noSession, "noSession",
            false);
        row("timer, the token gone since", "timer", "signed-in no-token cached", u"follow"_s, waiting,
            "noSession", false);
        row("user, locked, unlock cancelled", "user", "locked", u"unlock"_s, stillLocked, "unlockFailed",
            true);
        row("user, locked, unlock cancelled over a cache", "user", "locked cached", u"unlock"_s,
            stillLocked + cache, "unlockFailed", true);
        row("user, locked, unlocked", "user", "locked unlocks", u"unlock, follow, "_s + window, updated,
            "stored", true);
        row("timer, locked", "timer", "locked", QString(), locked, "locked", true);
        row("headless, locked", "headless", "locked", u"pricing"_s, locked, "locked", true);

        // Following the editor: its newer login is taken before the requests; the window takes it
        // without a stored token too, but never writes into a locked keyring unless the user unlocks.
        row("user, following", "user", "following editor", u"follow, "_s + windowAsEditor, updated, "stored",
            true);
        row("headless, following", "headless", "following editor", u"pricing, follow, "_s + headlessAsEditor,
            updated, "stored", true);
        row("timer, following, no token", "timer", "following editor no-token",
            u"follow, "_s + windowAsEditor, updated, "stored", true);
        row("headless, following, no token", "headless", "following editor no-token", u"pricing"_s, waiting,
            "noSession", false);
        row("user, following, nothing newer", "user", "following no-token", u"follow"_s, noSession,
            "noSession", false);
        row("start-up, following into a locked keyring", "startUp", "following editor no-token locked",
            u"follow"_s, locked, "locked", true);
        row("timer, following into a locked keyring", "timer", "following editor no-token locked",
            u"follow"_s, locked, "locked", true);
        row("user, following into a locked keyring, cancelled", "user", "following editor no-token locked",
            u"unlock"_s, stillLocked, "unlockFailed", false);
        row("user, following into a locked keyring, unlocked", "user",
            "following editor no-token locked unlocks", u"unlock, follow, "_s + windowAsEditor, updated,
            "stored", true);

        // Failures leave the snapshot alone; a silent refresh says the cache is still shown, first.
        row("user, 500", "user", "500 cached", u"follow, overview tok"_s, failed, "failed", true);
        row("timer, 500", "timer", "500", u"follow, overview tok"_s, failed, "failed", true);
        row("timer, 500 over a cache", "timer", "500 cached", u"follow, overview tok"_s,
            u"仍显示缓存 · "_s + failed, "failed", true);
        row("user, transport", "user", "transport cached", u"follow, overview tok"_s, unreachable, "failed",
            true);

        // An expired cookie signs the window out, and marks a followed editor login as rejected
        // (following was switched on after the pipeline was made: it is read at each use); the
        // headless run keeps the token for a later try.
        row("user, 401", "user", "401", u"follow, overview tok, forget"_s, expired, "unauthorized", false);
        row("timer, 401", "timer", "401 cached", u"follow, overview tok, forget"_s, expired, "unauthorized",
            false);
        row("user, 401 following", "user", "401 following", u"follow, overview tok, reject tok, forget"_s,
            editorRejected, "unauthorized", false);
        row("user, 401 following another account's login", "user", "401 following editor-elsewhere",
            u"follow, overview tok, forget"_s, expired, "unauthorized", false);
        // A followed editor login turned away is sent once, in any process: the headless run keeps the
        // token, but no later run sends it again.
        row("headless, 401 following", "headless", "401 following",
            u"pricing, follow, overview tok, reject tok"_s, editorRejected, "unauthorized", false);
        row("headless, turned away before", "headless", "turned-away following", u"pricing"_s, waiting,
            "noSession", false);
        row("timer, turned away before", "timer", "turned-away following cached", u"follow"_s, waiting,
            "noSession", false);

        // A 429 now, or one remembered: only the user's own refresh asks before the wait is over;
        // the day's pricing goes on; the cache is mentioned only when there is one.
        row("user, 429", "user", "429", u"follow, overview tok"_s, busy, "busy", true);
        row("timer, 429 over a cache", "timer", "429 cached", u"follow, overview tok"_s, busy + cache, "busy",
            true);
        row("user, busy", "user", "busy", u"follow, "_s + window, updated, "stored", true);
        row("start-up, busy", "startUp", "busy", u"follow"_s, busy, "busy", true);
        row("timer, busy over a cache", "timer", "busy cached", u"follow"_s, busy + cache, "busy", true);
        row("timer, busy, pricing due", "timer", "busy pricing-due", u"follow, pricing"_s, busy, "busy",
            true);
        row("headless, busy", "headless", "busy", u"pricing, follow"_s, busy, "busy", true);

        // The patch and the stored snapshot: a snapshot that was not stored is not acted on.
        row("user, patch fails", "user", "patch-fails",
            u"follow, overview tok, store o1, nudge, notice o1, patch tok"_s, u"已更新概览 · 10:00"_s,
            "stored", true);
        row("headless, patch fails", "headless", "patch-fails",
            u"pricing, follow, overview tok, patch tok, store o1, nudge, notice o1, ledger 10 tok"_s, updated,
            "stored", true);
        row("user, store fails", "user", "store-fails", u"follow, overview tok, store o1 failed"_s, unsaved,
            "notStored", true);
        row("timer, store fails over a cache", "timer", "store-fails cached",
            u"follow, overview tok, store o1 failed"_s, unsaved + cache, "notStored", true);
        row("headless, store fails", "headless", "store-fails",
            u"pricing, follow, overview tok, patch tok, store o1+p failed"_s, unsaved, "notStored", true);
        row("user, the patch's store fails", "user", "patch-store-fails",
            u"follow, overview tok, store o1, nudge, notice o1, patch tok, store o1+p failed"_s,
            unsaved + cache, "stored", true);
        row("user, history off", "user", "history-off", u"follow, "_s + windowStores, updated, "stored",
            true);

        // The day's pricing: first on the headless run, beside the usage on the window's; the widget
        // redraws for a new table even when the usage could not be read.
        row("timer, pricing due, no token", "timer", "pricing-due no-token", u"follow"_s, waiting,
            "noSession", false);
        row("timer, new prices, 500", "timer", "pricing-changes 500",
            u"follow, pricing, nudge, overview tok"_s, failed, "failed", true);
        row("headless, new prices, 500", "headless", "pricing-changes 500",
            u"pricing, follow, overview tok, nudge"_s, failed, "failed", true);
        row("headless, new prices, no token", "headless", "pricing-changes no-token", u"pricing"_s, waiting,
            "noSession", false);

        // A refused TALLYFERN_SERVICE_ORIGIN: nothing at all, not even the day's prices; the status
        // says why, and the headless run stays silent.
        row("user, the origin refused", "user", "origin-refused cached", QString(), refusedOrigin, "failed",
            false);
        row("headless, the origin refused", "headless", "origin-refused pricing-due", QString(),
            refusedOrigin, "failed", false);
    }

    void refresh()
    {
        QFETCH(QString, policy);
        QFETCH(QString, setup);
        PipelineWorld world(setup);
        const RefreshOutcome outcome = world.refresh(policy);
        QTEST(world.journal(), "journal");
        QTEST(world.pipeline->status(), "status");
        QTEST(resultName(outcome.result), "result");
        QTEST(world.pipeline->hasSession(), "session");
        QVERIFY(!world.pipeline->isRefreshing());
    }

    // What "/api/auth/me" said of the user goes to the account's record with every overview.
    void theServiceNamesTheUser()
    {
        PipelineWorld world;
        QCOMPARE(resultName(world.refresh(u"user"_s).result), u"stored"_s);
        QCOMPARE(world.account.record->identities, QStringList{u"user_tok tok@example.com"_s});
        PipelineWorld failing(u"500"_s);
        failing.refresh(u"user"_s);
        QVERIFY(failing.account.record->identities.isEmpty());
    }

    // The account removed (by another process) while its refresh runs: from then on nothing more is
    // sent or stored for it, and an answer still in flight is dropped.
    void aRemovedAccountStopsWhereItIs_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<QString>("when"); // before the refresh, during the overview, during the patch
        QTest::addColumn<QString>("journal");
        QTest::addColumn<QString>("result");
        QTest::newRow("user, before") << u"user"_s << u"before"_s << u"follow"_s << u"removed"_s;
        QTest::newRow("headless, before")
            << u"headless"_s << u"before"_s << u"pricing, follow"_s << u"removed"_s;
        QTest::newRow("user, during the overview")
            << u"user"_s << u"overview"_s << u"follow, overview tok"_s << u"removed"_s;
        QTest::newRow("headless, during the overview")
            << u"headless"_s << u"overview"_s << u"pricing, follow, overview tok"_s << u"removed"_s;
        // The window showed the overview before the removal; its patch is dropped.
        QTest::newRow("user, during the patch")
            << u"user"_s << u"patch"_s << u"follow, overview tok, store o1, nudge, notice o1, patch tok"_s
            << u"stored"_s;
        QTest::newRow("headless, during the patch")
            << u"headless"_s << u"patch"_s << u"pricing, follow, overview tok, patch tok"_s << u"removed"_s;
    }

    void aRemovedAccountStopsWhereItIs()
    {
        QFETCH(QString, policy);
        QFETCH(QString, when);
        PipelineWorld world(when == u"before" ? u"removed"_s : QString());
        Calls& held = when == u"patch" ? world.account.service->patches : world.account.service->overviews;
        held.hold();
        QCoro::Task<QList<RefreshOutcome>> running = world.start(policy);
        QTRY_COMPARE(held.count() + (when == u"before" ? 1 : 0), 1);
        world.account.record->current = false;
        held.releaseAll();
        const QList<RefreshOutcome> outcomes = await(std::move(running));
        QTest::qWait(0); // the window's patch runs on its own
        QTEST(world.journal(), "journal");
        QTEST(resultName(outcomes.value(0).result), "result");
    }

    void start_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("journal");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("session");
        QTest::addColumn<bool>("refreshing");
        // A stored snapshot is stored again (the file and the settings entry agree) and the widget
        // nudged; the editor is followed, never into a locked keyring; a session starts a loud
        // refresh that never unlocks.
        QTest::newRow("nothing") << u"no-token"_s << u"follow"_s << waiting << false << false;
        QTest::newRow("a cache, no token")
            << u"no-token cached"_s << u"store c0, nudge, follow"_s
            << u"已显示上次缓存 · 请重新粘贴 Cookie 后刷新"_s << false << false;
        QTest::newRow("locked") << u"locked cached"_s << u"store c0, nudge, follow"_s << locked << true
                                << false;
        QTest::newRow("the editor's login behind a locked keyring")
            << u"following editor no-token locked"_s << u"follow"_s << locked << true << false;
        QTest::newRow("a token") << u"hold"_s << u"follow, follow, overview tok"_s << u"正在读取用量"_s
                                 << true << true;
        QTest::newRow("a token and a cache")
            << u"hold cached"_s << u"store c0, nudge, follow, follow, overview tok"_s << u"已加载本地缓存"_s
            << true << true;
        QTest::newRow("the editor's login taken")
            << u"hold following editor no-token"_s << u"follow, follow, overview editor"_s
            << u"正在读取用量"_s << true << true;
        QTest::newRow("a token, the origin refused")
            << u"origin-refused"_s << u"follow"_s << refusedOrigin << true << false;
    }

    void start()
    {
        QFETCH(QString, setup);
        PipelineWorld world(setup);
        // The window's start: a refresh at once when there is a session, left running.
        if (world.pipeline->prepare(true))
            world.start(u"startUp"_s);
        QTEST(world.journal(), "journal");
        QTEST(world.pipeline->status(), "status");
        QTEST(world.pipeline->hasSession(), "session");
        QTEST(world.pipeline->isRefreshing(), "refreshing");
    }
};

TALLYFERN_REGISTER_TEST(TestRefreshPipeline);
#include "TestRefreshPipeline.moc"
