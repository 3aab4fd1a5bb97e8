#include "Await.h"
#include "FakeNotifications.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/desktop/QuotaNotices.h"
#include "model/OnDemandAmount.h"

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
        // A new cycle says so, and re-arms the quota's notice.
        snapshot.billingCycleStart = u"2026-05-17T00:00:00Z"_s;
        await(QuotaNotices::post(snapshot));
        await(QuotaNotices::post(snapshot));
        QCOMPARE(notifications.calls.mid(1),
                 QStringList({u"Tallyfern|tallyfern|Tallyfern|新账期已开始 · 额度已恢复"_s, premium}));
        // The spend reaches the amount set in the settings (once per amount: QuotaAlerts' table).
        snapshot.onDemandUsed = 61.5;
        snapshot.onDemandLimit = 200;
        QVERIFY(OnDemandAmount::save(50));
        await(QuotaNotices::post(snapshot));
        QCOMPARE(notifications.calls.mid(3),
                 QStringList(
                     {u"Tallyfern|tallyfern|Tallyfern|本期开始产生按需用量：$61.5"_s,
                      u"Tallyfern|tallyfern|Tallyfern|按需用量已达 $50（本账期已用 $61.5，上限 $200）"_s}));
        // Switched off: nothing sent, but the cycle that began meanwhile is remembered, so switching
        // on brings no news of it (the quota's state is news, as ever).
        Preferences::setValue(Preferences::Key::quotaNotices, false);
        snapshot.billingCycleStart = u"2026-06-17T00:00:00Z"_s;
        snapshot.onDemandUsed.reset();
        await(QuotaNotices::post(snapshot));
        QCOMPARE(notifications.calls.size(), 5);
        Preferences::setValue(Preferences::Key::quotaNotices, true);
        await(QuotaNotices::post(snapshot));
        QCOMPARE(notifications.calls.mid(5), QStringList{premium});
    }
};

TALLYFERN_REGISTER_TEST(TestQuotaNotices);
#include "TestQuotaNotices.moc"
