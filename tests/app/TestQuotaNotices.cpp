#include "Await.h"
#include "FakeNotifications.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/desktop/QuotaNotices.h"

#include <QtTest>

// The notices a stored snapshot earns (QuotaAlerts' table, tests/model), as the desktop shows them:
// each once per billing cycle, whichever process stores the snapshot first.
class TestQuotaNotices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachOncePerCycle()
    {
        TestEnvironment environment;
        environment.setNow(u"2026-04-20T10:00:00+08:00"_s);
        FakeNotifications notifications;
        QVERIFY(notifications.registered);
        UsageSnapshot snapshot = UsageSnapshot::empty();
        snapshot.hasRealData = true;
        snapshot.otherModelsPercent = 97;
        snapshot.billingCycleStart = u"2026-04-17T00:00:00Z"_s;
        snapshot.billingCycleEnd = u"2026-05-17T00:00:00Z"_s;
        const QString premium = u"Tallyfern|tallyfern|Tallyfern|高级模型额度只剩 3%（账期到 5月17日）"_s;
        await(QuotaNotices::post(snapshot));
        QCOMPARE(notifications.calls, QStringList{premium});
        // The other process stores the same cycle: nothing again.
        await(QuotaNotices::post(snapshot));
        QCOMPARE(notifications.calls.size(), 1);
        // A new cycle re-arms it.
        snapshot.billingCycleStart = u"2026-05-17T00:00:00Z"_s;
        await(QuotaNotices::post(snapshot));
        QCOMPARE(notifications.calls.size(), 2);
        // Switched off: nothing claimed, nothing sent.
        Preferences::setValue(Preferences::Key::quotaNotices, false);
        QVERIFY(QFile::remove(QuotaNotices::stateFileName()));
        await(QuotaNotices::post(snapshot));
        QVERIFY(!QFile::exists(QuotaNotices::stateFileName()));
        QCOMPARE(notifications.calls.size(), 2);
    }
};

TALLYFERN_REGISTER_TEST(TestQuotaNotices);
#include "TestQuotaNotices.moc"
