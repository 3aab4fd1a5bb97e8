#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "WidgetTestData.h"

#include "TimelineHost.h"

#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/WidgetCenter.h"

#include <QSaveFile>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace WidgetTestData;

namespace {

// Generous: the host answers within a fraction of a second, but a loaded machine may be slow.
constexpr int eventTimeoutMs = 5000;

UsageSnapshot withPlan(const QString& plan)
{
    UsageSnapshot s = real();
    s.planName = plan;
    return s;
}

// Waits until the host shows `expected`, however many entries it publishes on the way.
bool waitForSnapshot(TimelineHost& host, QSignalSpy& spy, const UsageSnapshot& expected)
{
    while (host.currentEntry().snapshot != expected) {
        if (!spy.wait(eventTimeoutMs))
            return false;
    }
    return true;
}

} // namespace

class TestTimelineHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstTimelineAtStartWithReloadInFiveMinutes()
    {
        TestEnvironment env;
        env.setNow(u"2025-05-10T04:00:00Z"_s);
        const UsageSnapshot stored = withPlan(u"Pro"_s);
        SnapshotStore::save(stored, nullptr);

        TimelineHost host;
        QCOMPARE(host.currentEntry().snapshot, UsageSnapshot::sample());
        QSignalSpy spy(&host, &TimelineHost::entryChanged);
        host.start();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(host.currentEntry().snapshot, stored);
        QCOMPARE(host.currentEntry().date, at(u"2025-05-10T04:00:00Z"_s));
        QCOMPARE(host.currentTimeline().reloadAfter, at(u"2025-05-10T04:05:00Z"_s));
        QCOMPARE(host.msUntilReload(), 300'000);
    }

    void missingSupportFolderIsCreatedSoItCanBeWatched()
    {
        TestEnvironment env;
        QVERIFY(!QFileInfo::exists(SnapshotStore::supportFolder()));
        TimelineHost host;
        host.start();
        QVERIFY(QFileInfo(SnapshotStore::supportFolder()).isDir());
        QCOMPARE(host.currentEntry().snapshot, UsageSnapshot::empty());
    }

    void nudgeBringsANewTimeline()
    {
        TestEnvironment env;
        env.setNow(u"2025-05-10T04:00:00Z"_s);
        TimelineHost host;
        host.start();
        QSignalSpy spy(&host, &TimelineHost::entryChanged);

        env.setNow(u"2025-05-10T04:01:30Z"_s);
        WidgetCenter::reloadAllTimelines();
        QVERIFY(spy.wait(eventTimeoutMs));
        QCOMPARE(host.currentEntry().date, at(u"2025-05-10T04:01:30Z"_s));
        // The next reload counts from the new timeline.
        QCOMPARE(host.currentTimeline().reloadAfter, at(u"2025-05-10T04:06:30Z"_s));

        // Every nudge counts, not only the first.
        spy.clear();
        env.setNow(u"2025-05-10T04:02:00Z"_s);
        WidgetCenter::reloadAllTimelines();
        QVERIFY(spy.wait(eventTimeoutMs));
        QCOMPARE(host.currentEntry().date, at(u"2025-05-10T04:02:00Z"_s));
    }

    void replacedFilesBringANewTimeline()
    {
        TestEnvironment env;
        SnapshotStore::save(withPlan(u"Pro"_s), nullptr);
        TimelineHost host;
        host.start();
        QSignalSpy spy(&host, &TimelineHost::entryChanged);

        // Each save replaces the file atomically; the host follows every one of them.
        for (const QString& plan : {u"Pro+"_s, u"Ultra"_s, u"Business"_s}) {
            const UsageSnapshot saved = withPlan(plan);
            SnapshotStore::save(saved, nullptr);
            QVERIFY2(waitForSnapshot(host, spy, saved), qPrintable(plan));
        }

        // A new pricing table changes the estimates, so it brings a timeline too.
        spy.clear();
        QSaveFile pricing(PricingStore::fileName());
        QVERIFY(pricing.open(QIODevice::WriteOnly));
        pricing.write(R"({"syncedAt":770000000,"entries":[]})");
        QVERIFY(pricing.commit());
        QVERIFY(spy.wait(eventTimeoutMs));
    }

    void fileRewrittenInPlaceIsFollowed()
    {
        TestEnvironment env;
        SnapshotStore::save(withPlan(u"Pro"_s), nullptr);
        TimelineHost host;
        host.start();
        QSignalSpy spy(&host, &TimelineHost::entryChanged);

        const UsageSnapshot rewritten = withPlan(u"Team"_s);
        QFile file(SnapshotStore::fileName());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(*rewritten.encode());
        file.close();
        QVERIFY(waitForSnapshot(host, spy, rewritten));
    }

    void replacedSupportFolderIsWatchedAgain()
    {
        TestEnvironment env;
        SnapshotStore::save(withPlan(u"Pro"_s), nullptr);
        TimelineHost host;
        host.start();
        QSignalSpy spy(&host, &TimelineHost::entryChanged);

        // The folder goes away with everything in it: the widget falls back to the empty state...
        QVERIFY(QDir(SnapshotStore::supportFolder()).removeRecursively());
        QVERIFY(waitForSnapshot(host, spy, UsageSnapshot::empty()));

        // ...and still sees the next save into the folder that takes its place.
        const UsageSnapshot saved = withPlan(u"Ultra"_s);
        SnapshotStore::save(saved, nullptr);
        QVERIFY(waitForSnapshot(host, spy, saved));

        // A folder moved in from elsewhere is watched as well.
        const QString folder = SnapshotStore::supportFolder();
        const QString staging = env.root() + u"/staging";
        QVERIFY(QDir().mkpath(staging));
        QFile::copy(SnapshotStore::fileName(), staging + u"/snapshot.json");
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QDir().rename(staging, folder));
        spy.clear();
        QVERIFY(spy.wait(eventTimeoutMs)); // the old folder's removal, answered with a timeline
        QCOMPARE(host.currentEntry().snapshot, saved);
        const UsageSnapshot later = withPlan(u"Business"_s);
        SnapshotStore::save(later, nullptr);
        QVERIFY(waitForSnapshot(host, spy, later));
    }
};

TALLYFERN_REGISTER_TEST(TestTimelineHost);
#include "TestTimelineHost.moc"
