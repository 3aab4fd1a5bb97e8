#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "WidgetTestData.h"

#include "Provider.h"
#include "TallyfernView.h"

#include "model/SnapshotStore.h"
#include "platform/Settings.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace WidgetTestData;

class TestProvider : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyStoreGivesOneEntryWithTheEmptySnapshot()
    {
        TestEnvironment env;
        env.setNow(u"2025-05-10T04:00:00Z"_s);
        const Timestamp now = at(u"2025-05-10T04:00:00Z"_s);

        const Timeline timeline = Provider().timeline();
        QCOMPARE(timeline.entries.size(), 1);
        QCOMPARE(timeline.entries.first().date, now);
        QCOMPARE(timeline.entries.first().snapshot, UsageSnapshot::empty());
        QVERIFY(!timeline.entries.first().snapshot.hasRealData);
        QCOMPARE(timeline.reloadAfter, Timestamp{now.secondsSinceReference + 300});

        QCOMPARE(Provider().snapshot(), (UsageEntry{now, UsageSnapshot::empty()}));
    }

    void storedSnapshotIsShown()
    {
        TestEnvironment env;
        const UsageSnapshot stored = realistic();
        SnapshotStore::save(stored, nullptr);
        QCOMPARE(Provider().timeline().entries.first().snapshot, stored);
        QCOMPARE(Provider().snapshot().snapshot, stored);
    }

    void placeholderIsTheSampleWhateverIsStored()
    {
        TestEnvironment env;
        SnapshotStore::save(realistic(), nullptr);
        env.setNow(u"2025-05-10T04:00:00Z"_s);

        const UsageEntry entry = Provider().placeholder();
        QCOMPARE(entry.date, at(u"2025-05-10T04:00:00Z"_s));
        const UsageSnapshot& s = entry.snapshot;
        QCOMPARE(s.planName, u"Ultra"_s);
        QCOMPARE(s.source, u"sample"_s);
        QVERIFY(s.hasRealData);
        QCOMPARE(s.remainingPercent(), 99);
        QCOMPARE(s.totalTokens, 38'000'000.0);
        QCOMPARE(s.tokens.total, s.tokens.input + s.tokens.output + s.tokens.cacheRead + s.tokens.cacheWrite);
        QCOMPARE(s.todayTokens.total, 14'800'000.0);
        QCOMPARE(TallyfernView::planTitle(s), u"Ultra"_s);
        QCOMPARE(TallyfernView::percentText(s), u"99%"_s);
        QCOMPARE(TallyfernView::totalTokensText(s), u"3800万"_s);
        QCOMPARE(TallyfernView::quotaLine(s), u"Cursor 1% · 其他 0% · Grok 1%"_s);

        // Made once: a later clock does not give it a new update time.
        env.setNow(u"2025-06-01T00:00:00Z"_s);
        QCOMPARE(Provider().placeholder().snapshot, s);
        QCOMPARE(&UsageSnapshot::sample(), &UsageSnapshot::sample());
    }

    void snapshotWithoutRealDataIsNeverShown()
    {
        TestEnvironment env;
        UsageSnapshot fake = realistic();
        fake.hasRealData = false;
        auto widgetDefaults = Settings::open(QLatin1StringView(Settings::widgetDomain));
        SnapshotStore::save(fake, widgetDefaults.get());

        const UsageEntry entry = Provider().timeline().entries.first();
        QCOMPARE(entry.snapshot, UsageSnapshot::empty());
        const QList<WidgetItem> items = TallyfernView(WidgetFamily::small, entry).panel();
        QCOMPARE(item(items, u"badge.title"_s).text, u"未连接"_s);
        QCOMPARE(item(items, u"percent"_s).text, u"—"_s);
    }

    void fallsBackToTheWidgetsOwnSettingsOnly()
    {
        TestEnvironment env;
        // The app's settings are not the widget's: an entry there is not read.
        const UsageSnapshot inApp = realistic();
        auto appDefaults = Settings::open(QLatin1StringView(Settings::appDomain));
        appDefaults->setValue(QLatin1StringView(SnapshotStore::settingsKey), *inApp.encode());
        appDefaults->sync();
        QCOMPARE(Provider().snapshot().snapshot, UsageSnapshot::empty());

        UsageSnapshot inWidget = real();
        inWidget.planName = u"Pro"_s;
        auto widgetDefaults = Settings::open(QLatin1StringView(Settings::widgetDomain));
        widgetDefaults->setValue(QLatin1StringView(SnapshotStore::settingsKey), *inWidget.encode());
        widgetDefaults->sync();
        QCOMPARE(Provider().snapshot().snapshot, inWidget);
    }
};

TALLYFERN_REGISTER_TEST(TestProvider);
#include "TestProvider.moc"
