#include "RefreshTesting.h"
#include "TestRegistry.h"

#include "refresh/AccountRefresh.h"

#include <QRegularExpression>

namespace {

// Several accounts, each on scripted edges of its own with its own token ("a", "b", …) and the
// setup words of PipelineWorld, sharing one keyring and one pricing download, as the accounts of
// one user do.
struct AccountsWorld
{
    std::vector<std::unique_ptr<PipelineWorld>> accounts;

    explicit AccountsWorld(const QStringList& setups)
    {
        for (const QString& setup : setups) {
            auto& world = *accounts.emplace_back(std::make_unique<PipelineWorld>(setup));
            const QString token = QString(QChar(u'a' + int(accounts.size()) - 1));
            if (world.account.session->token)
                world.account.session->token = token;
            world.account.session->locked = first().account.session->locked;
        }
    }

    PipelineWorld& first() { return *accounts.front(); }
    QList<QPointer<RefreshPipeline>> pipelines() const
    {
        QList<QPointer<RefreshPipeline>> all;
        for (const auto& world : accounts)
            all.append(world->pipeline.get());
        return all;
    }
    QCoro::Task<QList<RefreshOutcome>> start(const QString& policy) const
    {
        return AccountRefresh::run(pipelines(), policyNamed(policy), accounts.front()->account.pricing);
    }
    QStringList results(const QList<RefreshOutcome>& outcomes) const
    {
        QStringList names;
        for (const RefreshOutcome& outcome : outcomes)
            names.append(resultName(outcome.result));
        return names;
    }
    QStringList journals() const
    {
        QStringList texts;
        for (const auto& world : accounts)
            texts.append(world->journal());
        return texts;
    }
    int overviewsAsked() const
    {
        int asked = 0;
        for (const auto& world : accounts)
            asked += world->account.service->overviews.count();
        return asked;
    }
};

// What one account's refresh does alone, with its token in place of "tok".
QString alone(const QString& setup, const QString& policy, const QString& token)
{
    PipelineWorld world(setup);
    world.refresh(policy);
    return world.journal().replace(u"tok"_s, token);
}

} // namespace

// Every account refreshed as one: each exactly as it would be alone whatever the others' answers,
// the keyring unlocked at most once for them all, the day's pricing once, three at a time.
class TestAccountRefresh : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachAccountAsIfAlone_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<QStringList>("setups");
        QTest::addColumn<QStringList>("results");
        QTest::newRow("expired, busy, broken, unreachable, fine")
            << u"timer"_s << QStringList{u"401"_s, u"429"_s, u"500"_s, u"transport"_s, u"cached"_s}
            << QStringList{u"unauthorized"_s, u"busy"_s, u"failed"_s, u"failed"_s, u"stored"_s};
        QTest::newRow("headless: expired kept, none, busy since, fine")
            << u"headless"_s << QStringList{u"401"_s, u"no-token"_s, u"busy"_s, QString()}
            << QStringList{u"unauthorized"_s, u"noSession"_s, u"busy"_s, u"stored"_s};
        QTest::newRow("a user's refresh: one store fails, one ledger busy")
            << u"user"_s << QStringList{u"store-fails"_s, u"ledger-busy"_s, QString()}
            << QStringList{u"notStored"_s, u"stored"_s, u"stored"_s};
    }

    void eachAccountAsIfAlone()
    {
        QFETCH(QString, policy);
        QFETCH(QStringList, setups);
        AccountsWorld world(setups);
        const QList<RefreshOutcome> outcomes = await(world.start(policy));
        QTEST(world.results(outcomes), "results");
        // The day's pricing is the first account's to download, for them all.
        for (qsizetype i = 0; i < setups.size(); ++i) {
            QString expected = alone(setups[i], policy, QString(QChar(u'a' + int(i))));
            if (i > 0)
                expected.remove(QRegularExpression(u"^pricing(, )?"_s));
            QCOMPARE(world.journals().at(i), expected);
        }
    }

    void oneUnlockForAll_data()
    {
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QStringList>("journals");
        QTest::addColumn<QStringList>("results");
        const QString stored = u"stored"_s;
        QTest::newRow("unlocked") << true
                                  << QStringList{u"unlock, "_s + alone({}, u"user"_s, u"a"_s),
                                                 alone({}, u"user"_s, u"b"_s), alone({}, u"user"_s, u"c"_s)}
                                  << QStringList{stored, stored, stored};
        // Asked once; then each account says it is locked, and nothing is asked of the service.
        QTest::newRow("cancelled") << false << QStringList{u"unlock"_s, QString(), QString()}
                                   << QStringList{u"locked"_s, u"locked"_s, u"locked"_s};
    }

    void oneUnlockForAll()
    {
        QFETCH(bool, succeeds);
        AccountsWorld world({u"locked"_s, u"locked"_s, u"locked"_s});
        world.first().account.session->unlockSucceeds = succeeds;
        const QList<RefreshOutcome> outcomes = await(world.start(u"user"_s));
        QTEST(world.journals(), "journals");
        QTEST(world.results(outcomes), "results");
    }

    void thePricingOnceBeforeAll()
    {
        AccountsWorld world({u"pricing-changes"_s, QString(), QString()});
        world.first().account.pricing->syncs.hold();
        QCoro::Task<QList<RefreshOutcome>> running = world.start(u"headless"_s);
        QCOMPARE(world.overviewsAsked(), 0);
        world.first().account.pricing->syncs.releaseAll();
        await(std::move(running));
        QCOMPARE(world.first().account.pricing->syncs.count(), 1);
        // The new table reaches every account's widget, stored or not.
        for (const auto& account : world.accounts)
            QVERIFY(account->journal().contains(u"nudge"_s));
    }

    void threeAtATimeInOrder()
    {
        AccountsWorld world(QStringList(5, u"history-off"_s));
        QStringList names;
        for (const auto& account : world.accounts) {
            names.append(u"usage %1"_s.arg(names.size() + 1));
            account->account.service->usage = labelledSnapshot(names.last());
            account->account.service->overviews.hold();
        }
        QCoro::Task<QList<RefreshOutcome>> running = world.start(u"timer"_s);
        QCOMPARE(world.overviewsAsked(), 3);
        // The third answers first: the fourth account takes its place at once.
        world.accounts[2]->account.service->overviews.releaseAll();
        QCOMPARE(world.overviewsAsked(), 4);
        for (int i = int(world.accounts.size()) - 1; i >= 0; --i)
            world.accounts[std::size_t(i)]->account.service->overviews.releaseAll();
        const QList<RefreshOutcome> outcomes = await(std::move(running));
        QCOMPARE(world.results(outcomes), QStringList(5, u"stored"_s));
        QStringList stored; // each its own, in the accounts' order
        for (const RefreshOutcome& outcome : outcomes)
            stored.append(outcome.stored->planName);
        QCOMPARE(stored, names);
    }
};

TALLYFERN_REGISTER_TEST(TestAccountRefresh);
#include "TestAccountRefresh.moc"
