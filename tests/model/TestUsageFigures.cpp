#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/QuotaAlerts.h"
#include "model/UsageSnapshot.h"

#include <QtTest>

Q_DECLARE_METATYPE(UsageSnapshot)

using namespace Qt::StringLiterals;

namespace {

UsageSnapshot withRealData()
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.monthlyLimit = 20;
    return s;
}

ModelUsage row(const QString& name, double input, double output = 0)
{
    return ModelUsage{name, ModelUsage::groupFor(name), {input, output, 0, 0, input + output}, 0, 0};
}

Timestamp at(const QString& text)
{
    return *Timestamp::parseInternetDateTime(text);
}

} // namespace

class TestUsageFigures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void remainingPercent()
    {
        UsageSnapshot s = withRealData();
        s.includedPercent = 35;
        QCOMPARE(s.remainingPercent(), 65);
        s.cursorModelsPercent = 130;
        QCOMPARE(s.remainingPercent(), 0);
        s.cursorModelsPercent = std::numeric_limits<qint64>::min();
        QCOMPARE(s.remainingPercent(), 100);
        s.cursorModelsPercent = std::nullopt;
        s.monthlyLimit = 0;
        s.includedPercent = 0;
        QCOMPARE(s.remainingPercent(), 0);
        s.includedPercent = 40;
        QCOMPARE(s.remainingPercent(), 60);

        s.hasRealData = false;
        s.cursorModelsPercent = 10;
        QCOMPARE(s.remainingPercent(), 0);
    }

    void daysRemainingCountsLocalCalendarDays()
    {
        // TZ=Asia/Shanghai: local midnight is 16:00Z the day before.
        const Timestamp now = at(u"2025-05-10T12:00:00Z"_s); // 20:00 local on 10 May
        UsageSnapshot s = withRealData();
        QCOMPARE(s.daysRemaining(now), std::nullopt);

        s.billingCycleEnd = u"2025-05-10T16:30:00Z"_s; // tomorrow 00:30 local
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(1));
        s.billingCycleEnd = u"2025-05-10T15:59:59Z"_s; // tonight 23:59:59 local
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(0));
        s.billingCycleEnd = u"2025-06-01T00:00:00Z"_s;
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(22));
        s.billingCycleEnd = u"2025-04-01T00:00:00Z"_s;
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(0));
        s.billingCycleEnd = u"99999999999999999999"_s; // absurd but parsable
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(0));
    }

    void grokFootnote()
    {
        const Timestamp now = at(u"2025-05-10T04:00:00Z"_s);
        UsageSnapshot s = withRealData();
        QCOMPARE(s.grokFootnote(now), u"周重置时间未返回"_s);
        s.grokResetAt = u"next Monday"_s;
        QCOMPARE(s.grokFootnote(now), u"重置 next Monday"_s);
        QCOMPARE(s.grokDaysRemaining(now), std::nullopt);
        s.grokResetAt = u"2025-05-13T04:00:00Z"_s;
        QCOMPARE(s.grokFootnote(now), u"重置 5月13日（还剩 3 天）"_s);
    }

    void planTitle()
    {
        // The badge, the widget and the status line all call the plan so.
        for (const auto& [plan, title] : {std::pair{u" \tUltra\n"_s, u"Ultra"_s},
                                          {u"  \n\r\t "_s, u"个人"_s},
                                          {u"\u3000"_s, u"个人"_s}}) {
            UsageSnapshot s = withRealData();
            s.planName = plan;
            QCOMPARE(s.planTitle(), title);
        }
        UsageSnapshot none = UsageSnapshot::empty();
        none.planName = u"Pro"_s;
        QCOMPARE(none.planTitle(), u"未连接"_s);
    }

    void sourcesSplitRowsByName()
    {
        TestEnvironment env; // no stored catalog: the built-in table prices
        UsageSnapshot s = withRealData();
        s.models = {
            row(u"auto"_s, 100),
            row(u"sand-x"_s, 40),
            row(u"claude-4.5-sonnet"_s, 1'000'000, 1'000'000),
            row(u"cursor-small"_s, 10),
            row(u"gpt-5"_s, 7),
        };
        QCOMPARE(s.cursorSourceTokens(), 110.0);
        QCOMPARE(s.grokBotSourceTokens(), 40.0);
        QCOMPARE(s.otherSourceTokens(), 2'000'007.0);

        const Timestamp now = at(u"2025-05-10T04:00:00Z"_s);
        // 'auto' and 'cursor-small' have no built-in price: nothing, not $0.
        QCOMPARE(s.sourceUSD(TokenSource::cursor, now), std::nullopt);
        QCOMPARE(s.sourceUSD(TokenSource::grokBot, now), std::nullopt);
        QCOMPARE(s.sourceUSD(TokenSource::other, now), std::optional(18.0));

        s.models.append(row(u"grok-4.6"_s, 1'000'000, 1'000'000));
        QCOMPARE(s.sourceUSD(TokenSource::other, now), std::optional(22.0)); // discounted 8 → 4
    }

    void quotaAlerts_data()
    {
        // Used percents (-1: absent) and the keys sent before; the notices as "key|body".
        QTest::addColumn<int>("cursorUsed");
        QTest::addColumn<int>("premiumUsed");
        QTest::addColumn<double>("onDemandTokens");
        QTest::addColumn<QStringList>("sentBefore");
        QTest::addColumn<QStringList>("notices");
        QTest::addColumn<QStringList>("sentAfter");
        const QString premium4 = u"高级模型额度只剩 4%（账期到 12月14日）"_s;
        QTest::newRow("plenty left") << 50 << 50 << 0.0 << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("exactly at low")
            << 80 << 50 << 0.0 << QStringList{}
            << QStringList{u"cursor.low|Cursor 模型额度只剩 20%（账期到 12月14日）"_s}
            << QStringList{u"cursor.low"_s};
        QTest::newRow("still low, sent") << 82 << -1 << 0.0 << QStringList{u"cursor.low"_s} << QStringList{}
                                         << QStringList{u"cursor.low"_s};
        QTest::newRow("first seen below both: critical only")
            << 10 << 96 << 0.0 << QStringList{} << QStringList{u"premium.critical|"_s + premium4}
            << QStringList{u"premium.critical"_s, u"premium.low"_s};
        QTest::newRow("low then critical") << 10 << 96 << 0.0 << QStringList{u"premium.low"_s}
                                           << QStringList{u"premium.critical|"_s + premium4}
                                           << QStringList{u"premium.low"_s, u"premium.critical"_s};
        QTest::newRow("on-demand tokens")
            << -1 << -1 << 12'345.0 << QStringList{}
            << QStringList{u"onDemand|本期开始产生按需用量：1.2万 tokens"_s} << QStringList{u"onDemand"_s};
        QTest::newRow("on-demand once")
            << -1 << -1 << 99.0 << QStringList{u"onDemand"_s} << QStringList{} << QStringList{u"onDemand"_s};
    }

    void quotaAlerts()
    {
        QFETCH(int, cursorUsed);
        QFETCH(int, premiumUsed);
        QFETCH(double, onDemandTokens);
        QFETCH(QStringList, sentBefore);
        UsageSnapshot s = withRealData();
        s.billingCycleEnd = u"2026-12-14T00:00:00Z"_s;
        s.onDemandTokens = onDemandTokens;
        if (cursorUsed >= 0)
            s.cursorModelsPercent = cursorUsed;
        else
            s.monthlyLimit = 0; // neither a percent nor a limit: no Cursor figure to warn about
        if (premiumUsed >= 0)
            s.otherModelsPercent = premiumUsed;
        const QuotaAlerts::Outcome outcome = QuotaAlerts::due(s, {}, sentBefore);
        QStringList notices;
        for (const QuotaAlerts::Notice& notice : outcome.notices)
            notices.append(notice.key + u'|' + notice.body);
        QTEST(notices, "notices");
        QTEST(outcome.sent, "sentAfter");
        s.hasRealData = false;
        QVERIFY(QuotaAlerts::due(s, {}, {}).notices.isEmpty());
    }

    void thresholdsKeepOnlyValidPairs()
    {
        TestEnvironment env;
        QCOMPARE(QuotaThresholds::load(), QuotaThresholds({20, 5}));
        QVERIFY(QuotaThresholds({50, 30}).save());
        QCOMPARE(QuotaThresholds::load(), QuotaThresholds({50, 30}));
        for (const QuotaThresholds& invalid :
             {QuotaThresholds{30, 30}, QuotaThresholds{100, 5}, QuotaThresholds{20, 0}})
            QVERIFY(!invalid.save());
        env.settingsFile()->setValue(u"quotaCriticalThreshold"_s, u"60"_s); // edited by hand above low
        QCOMPARE(QuotaThresholds::load(), QuotaThresholds({20, 5}));
    }
};

TALLYFERN_REGISTER_TEST(TestUsageFigures);
#include "TestUsageFigures.moc"
