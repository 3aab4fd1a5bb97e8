#include "RefreshTesting.h"
#include "TestRegistry.h"

#include "refresh/SessionController.h"

#include <QSignalSpy>

namespace {

// The rest of a window's refresh once its overview o2 has answered.
const QString secondStores = u"store o2, nudge, notice o2, patch tok, store o2+p, nudge, notice o2+p"_s;

} // namespace

// Refreshes that overlap, and what runs on its own beside or after one: the newest refresh has the
// last word, a superseded patch stores nothing, one ledger sync and one unlock prompt at a time, and
// the day's pricing awaited or alongside.
class TestRefreshOrder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theNewestRefreshWins_data()
    {
        QTest::addColumn<QString>("first"); // a policy, and the answer its overview gets
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("order"); // which overview answers first
        // A silent refresh never ends the progress of the user's.
        QTest::newRow("a timer refresh answers before the user's")
            << u"user usage"_s << u"timer usage"_s << u"2 1"_s;
        // The older user refresh ends, but the newer one is still under way.
        QTest::newRow("the older of two user refreshes answers first")
            << u"user usage"_s << u"user usage"_s << u"1 2"_s;
        // An older refresh's expired cookie is no longer news: nobody is signed out.
        QTest::newRow("an older refresh is rejected late") << u"user 401"_s << u"timer usage"_s << u"2 1"_s;
    }

    void theNewestRefreshWins()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, order);
        PipelineWorld world(u"hold"_s);
        using Answer = ScriptedService::Answer;
        const auto answer = [](const QString& name) {
            return name == u"401" ? Answer::unauthorized : Answer::usage;
        };
        world.account.service->overviewAnswers = {answer(first.section(u' ', 1)),
                                                  answer(second.section(u' ', 1))};
        QCoro::Task<RefreshOutcome> older = world.pipeline->refresh(policyNamed(first.section(u' ', 0, 0)));
        QCoro::Task<RefreshOutcome> newer = world.pipeline->refresh(policyNamed(second.section(u' ', 0, 0)));
        world.account.service->overviews.release(order.section(u' ', 0, 0).toInt());
        QVERIFY(world.pipeline->isRefreshing()); // the newer one is still under way
        world.account.service->overviews.release(order.section(u' ', 1).toInt());
        QCOMPARE(resultName(await(std::move(older)).result), u"superseded"_s);
        QCOMPARE(resultName(await(std::move(newer)).result), u"stored"_s);
        QCOMPARE(world.journal(),
                 u"follow, overview tok, follow, overview tok, "_s + secondStores + u", ledger 20 tok");
        QCOMPARE(world.pipeline->status(), updated);
        QCOMPARE(world.pipeline->snapshot().planName, u"o2+p"_s);
        QVERIFY(!world.pipeline->isRefreshing());
        QVERIFY(world.pipeline->hasSession());
    }

    void aSupersededPatchStoresNothing_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("journal");
        QTest::addColumn<QString>("status");
        const QString shown = u"follow, overview tok, store o1, nudge, notice o1, patch tok, "_s;
        QTest::newRow("a timer refresh")
            << u"timer"_s << shown + u"follow, overview tok, " + secondStores << updated;
        // The token it was fetched with is gone.
        QTest::newRow("a logout") << u"logout"_s << shown + u"forget" << loggedOut;
    }

    void aSupersededPatchStoresNothing()
    {
        QFETCH(QString, then);
        PipelineWorld world(u"history-off"_s);
        ScriptedService& service = *world.account.service;
        service.patches.hold();
        world.refresh(u"user"_s); // ends once the overview is shown; its patch waits
        QVERIFY(!service.patchCancellations.at(0)->requested);
        if (then == u"logout") {
            await(SessionController::logout(*world.pipeline));
        } else {
            QCoro::Task<RefreshOutcome> newer = world.pipeline->refresh(policyNamed(then));
            service.patches.release(2);
            await(std::move(newer));
        }
        // Raised before the newer refresh asked anything: the older patch sends no further page.
        QVERIFY(service.patchCancellations.at(0)->requested);
        service.patches.release(1); // its last page had come in all the same
        QTEST(world.journal(), "journal");
        QTEST(world.pipeline->status(), "status");
    }

    void oneLedgerSyncAtATime_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("journal"); // after the first refresh's sync
        const QString first = u"follow, "_s + window;
        QTest::newRow("nothing") << QString() << first;
        // Another process's sync holds the ledger: the refresh is unchanged.
        QTest::newRow("the ledger is busy") << u"ledger-busy"_s << first;
        // The newer refresh skips its sync while one runs.
        QTest::newRow("another refresh")
            << u"refresh"_s << first + u", follow, overview tok, " + secondStores;
        // Switched off while it wrote: what it wrote goes too.
        QTest::newRow("history switched off") << u"history-off"_s << first + u", ledger removed";
    }

    void oneLedgerSyncAtATime()
    {
        QFETCH(QString, meanwhile);
        PipelineWorld world;
        QSignalSpy synced(world.pipeline.get(), &RefreshPipeline::ledgerSynced);
        world.account.ledger->syncs.hold();
        world.refresh(u"user"_s);
        if (meanwhile == u"refresh")
            world.refresh(u"user"_s);
        else if (!meanwhile.isEmpty())
            world.script(meanwhile);
        world.account.ledger->syncs.releaseAll();
        QTEST(world.journal(), "journal");
        QCOMPARE(synced.size(), 1); // the trends redrawn once
        // The ledger's sync runs on the account's service, token and state.
        const LedgerSync::Source& source = *world.account.ledger->lastSource;
        QVERIFY(source.service == world.account.service && source.state == world.account.state);
    }

    void syncLedgerOutsideARefresh_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("journal");
        QTest::newRow("a token and usage") << u"cached"_s << u"ledger 20 tok"_s;
        QTest::newRow("no usage yet") << QString() << QString();
        QTest::newRow("no token") << u"cached no-token"_s << QString();
    }

    void syncLedgerOutsideARefresh()
    {
        QFETCH(QString, setup);
        PipelineWorld world(setup);
        await(world.pipeline->syncLedger());
        QTEST(world.journal(), "journal");
    }

    void awaitedOrAlongside_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<QString>("held");      // the edge whose answer waits
        QTest::addColumn<QString>("whileHeld"); // the journal meanwhile
        QTest::addColumn<QString>("after");
        const QString user = u"follow, pricing, "_s + window;
        const QString run = u"pricing, follow, "_s + headlessStores;
        // The window goes on; the widget redraws for the new table on its own.
        QTest::newRow("user, pricing") << u"user"_s << u"pricing"_s << user << user + u", nudge";
        const QString pricedFirst = u"follow, pricing, nudge, "_s + window;
        QTest::newRow("user, notices") << u"user"_s << u"notices"_s << pricedFirst << pricedFirst;
        // Nothing before the day's prices: the widget's estimates need them first. The notices are
        // delivered before the run goes on to its end, and exits.
        QTest::newRow("headless, pricing")
            << u"headless"_s << u"pricing"_s << u"pricing"_s << run + u", ledger 10 tok";
        QTest::newRow("headless, notices")
            << u"headless"_s << u"notices"_s << run << run + u", ledger 10 tok";
    }

    void awaitedOrAlongside()
    {
        QFETCH(QString, policy);
        QFETCH(QString, held);
        PipelineWorld world(u"pricing-changes"_s);
        Calls& calls = held == u"pricing" ? world.account.pricing->syncs : world.account.notices->posts;
        calls.hold();
        QCoro::Task<QList<RefreshOutcome>> refresh = world.start(policy);
        QTEST(world.journal(), "whileHeld");
        calls.releaseAll();
        QCOMPARE(resultName(await(std::move(refresh)).value(0).result), u"stored"_s);
        QTEST(world.journal(), "after");
        QCOMPARE(world.pipeline->pricingLabel(), u"标价已同步"_s);
    }

    void oneUnlockPromptAtATime()
    {
        PipelineWorld world(u"locked unlocks"_s);
        world.account.session->unlocks.hold();
        QCoro::Task<RefreshOutcome> first = world.pipeline->refresh(RefreshPolicy::user());
        // A second click while the prompt is up asks nothing more.
        QCOMPARE(resultName(world.refresh(u"user"_s).result), u"unlockFailed"_s);
        QCOMPARE(world.journal(), u"unlock"_s);
        world.account.session->unlocks.releaseAll();
        QCOMPARE(resultName(await(std::move(first)).result), u"stored"_s);
        QVERIFY(world.journal().startsWith(u"unlock, follow, overview tok"_s));
    }
};

TALLYFERN_REGISTER_TEST(TestRefreshOrder);
#include "TestRefreshOrder.moc"
