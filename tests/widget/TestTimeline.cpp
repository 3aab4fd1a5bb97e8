#include "TestRegistry.h"
#include "WidgetTest.h"

#include "Provider.h"
#include "TimelineHost.h"

#include "model/AccountList.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Preferences.h"
#include "platform/WidgetCenter.h"

#include <QSaveFile>
#include <QSignalSpy>

using namespace WidgetTestData;

namespace {

// Generous: the host answers within a fraction of a second, but a loaded machine may be slow.
constexpr int eventTimeoutMs = 5000;

// Waits until the host shows `expected`, however many entries it publishes on the way.
bool waitForSnapshot(TimelineHost& host, QSignalSpy& spy, const UsageSnapshot& expected)
{
    while (host.currentEntry().snapshot != expected) {
        if (!spy.wait(eventTimeoutMs))
            return false;
    }
    return true;
}

void storeInSettings(Preferences::Key key, const UsageSnapshot& snapshot)
{
    const AsProcess writer(key == Preferences::Key::widgetSnapshot ? Preferences::Process::widget
                                                                   : Preferences::Process::app);
    Preferences::setValue(key, *snapshot.encode());
}

} // namespace

// The widget's timeline: the provider reading what the app stored, for the account asked, and the
// host following the store.
class TestTimeline : public WidgetTest
{
    Q_OBJECT

private Q_SLOTS:
    void providerShowsOnlyRealStoredData()
    {
        // Nothing stored: one entry with the empty snapshot, and a reload five minutes later.
        const Timeline timeline = Provider().timeline();
        QCOMPARE(timeline.entries, (QList<UsageEntry>{{at(noon), UsageSnapshot::empty()}}));
        QCOMPARE(timeline.reloadAfter, at(u"2025-05-10T04:05:00Z"_s));

        // The app's settings are not the widget's. (Which stored snapshot counts is SnapshotStore's.)
        storeInSettings(Preferences::Key::usageSnapshot, realistic());
        QCOMPARE(Provider().snapshot(), (UsageEntry{at(noon), UsageSnapshot::empty()}));

        // The file first, then the widget's own settings.
        storeInSettings(Preferences::Key::widgetSnapshot, real(u"Pro"_s));
        QCOMPARE(Provider().timeline().entries.constFirst().snapshot, real(u"Pro"_s));
        storeAsApp(realistic());
        QCOMPARE(Provider().snapshot().snapshot, realistic());
    }

    void providerShowsTheAccountAsked()
    {
        // Two accounts: the home one stored as before, a team seat in its own folder.
        const auto list = [](const QString& primary) {
            QVERIFY(AccountList::update([&primary](AccountList& current, AccountList::State) {
                current = {primary,
                           u"user_me"_s,
                           {{u"user_me"_s, u"me@example.com"_s, {}, {}},
                            {u"user_team"_s, u"wei.chen@corp.example.com"_s, {}, u"工作"_s}}};
                return true;
            }));
        };
        list(u"user_me"_s);
        storeAsApp(real(u"Pro"_s));
        {
            const AsProcess app(Preferences::Process::app);
            const AccountPlace team = AccountPlace::otherAccount(u"user_team"_s);
            QVERIFY(team.makeFolder() && SnapshotStore::saveTo(team, real(u"Enterprise"_s)));
        }
        QCOMPARE(Provider().snapshot().snapshot, real(u"Pro"_s));
        QCOMPARE(Provider().accountName(), QString()); // the primary goes unnamed, as with one account
        for (const QString& named : {u"工作"_s, u"user_team"_s}) {
            QCOMPARE(Provider(named).snapshot().snapshot, real(u"Enterprise"_s));
            QCOMPARE(Provider(named).accountName(), u"工作"_s);
        }
        QVERIFY(!Provider(u"nobody"_s).knowsAccount());
        // Removed while a widget shows it: the empty state, never another account's usage.
        const Provider team(u"工作"_s);
        QVERIFY(AccountList::update([](AccountList& current, AccountList::State) {
            current.accounts.removeLast();
            return true;
        }));
        QCOMPARE(team.snapshot().snapshot, UsageSnapshot::empty());
        list(u"user_team"_s);
        QCOMPARE(Provider().snapshot().snapshot, real(u"Enterprise"_s));

        const QString out = m_env->root() + u'/';
        const WidgetRun nobody =
            runWidget({u"--render"_s, u"small"_s, out + u"nobody.png", u"--account"_s, u"nobody"_s});
        QCOMPARE(nobody.status, 2);
        QCOMPARE(QString::fromUtf8(nobody.err), u"tallyfern-widget：没有这个账号：nobody\n"_s);
        QVERIFY(!QFileInfo::exists(out + u"nobody.png"));
        QCOMPARE(runWidget({u"--render"_s, u"small"_s, out + u"me.png", u"--account"_s, u"user_me"_s}).status,
                 0);
        QCOMPARE(runWidget({u"--render"_s, u"small"_s, out + u"primary.png"}).status, 0);
        QVERIFY(QImage(out + u"me.png") != QImage(out + u"primary.png"));
    }

    void placeholderIsTheSampleWhateverIsStored()
    {
        storeAsApp(realistic());
        const UsageEntry entry = Provider().placeholder();
        QCOMPARE(entry, (UsageEntry{at(noon), UsageSnapshot::sample()}));
        // Made once: a later clock does not give it a new update time.
        m_env->setNow(u"2025-06-01T00:00:00Z"_s);
        QCOMPARE(Provider().placeholder().snapshot, entry.snapshot);
    }

    void hostFollowsNudgesAndSavedFiles()
    {
        TimelineHost host;
        QCOMPARE(host.currentEntry().snapshot, UsageSnapshot::sample());
        QSignalSpy spy(&host, &TimelineHost::entryChanged);
        // Nothing stored yet, not even the support folder: it is created, so that it can be watched.
        host.start();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(host.currentEntry(), (UsageEntry{at(noon), UsageSnapshot::empty()}));
        QCOMPARE(host.msUntilReload(), 300'000);

        // Each save replaces the file atomically; the host follows every one of them.
        for (const QString& plan : {u"Pro"_s, u"Ultra"_s}) {
            storeAsApp(real(plan));
            QVERIFY2(waitForSnapshot(host, spy, real(plan)), qPrintable(plan));
        }

        // Every nudge brings a timeline, and the next reload counts from it.
        for (const QString& now : {u"2025-05-10T04:01:30Z"_s, u"2025-05-10T04:02:00Z"_s}) {
            spy.clear();
            m_env->setNow(now);
            WidgetCenter::reloadAllTimelines();
            QVERIFY(spy.wait(eventTimeoutMs));
            QCOMPARE(host.currentEntry().date, at(now));
            QCOMPARE(host.currentTimeline().reloadAfter.secondsSinceReference,
                     at(now).secondsSinceReference + 300);
        }

        // A new pricing table changes the estimates, so it brings a timeline too.
        spy.clear();
        QSaveFile pricing(PricingStore::fileName());
        QVERIFY(pricing.open(QIODevice::WriteOnly));
        pricing.write(R"({"syncedAt":770000000,"entries":[]})");
        QVERIFY(pricing.commit());
        QVERIFY(spy.wait(eventTimeoutMs));
    }
};

TALLYFERN_REGISTER_TEST(TestTimeline);
#include "TestTimeline.moc"
