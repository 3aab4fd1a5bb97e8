#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/OnDemandAmount.h"
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
        // The on-demand spend and its limit in dollars (-1: absent, -2: unlimited), and the amount
        // that earns a notice (0: none set).
        QTest::addColumn<double>("spent");
        QTest::addColumn<double>("limit");
        QTest::addColumn<int>("amount");
        const QString premium4 = u"高级模型额度只剩 4%（账期到 12月14日）"_s;
        QTest::newRow("plenty left") << 50 << 50 << 0.0 << QStringList{} << QStringList{} << QStringList{}
                                     << -1.0 << -1.0 << 0;
        QTest::newRow("exactly at low")
            << 80 << 50 << 0.0 << QStringList{}
            << QStringList{u"cursor.low|Cursor 模型额度只剩 20%（账期到 12月14日）"_s}
            << QStringList{u"cursor.low"_s} << -1.0 << -1.0 << 0;
        QTest::newRow("still low, sent") << 82 << -1 << 0.0 << QStringList{u"cursor.low"_s} << QStringList{}
                                         << QStringList{u"cursor.low"_s} << -1.0 << -1.0 << 0;
        QTest::newRow("first seen below both: critical only")
            << 10 << 96 << 0.0 << QStringList{} << QStringList{u"premium.critical|"_s + premium4}
            << QStringList{u"premium.critical"_s, u"premium.low"_s} << -1.0 << -1.0 << 0;
        QTest::newRow("low then critical")
            << 10 << 96 << 0.0 << QStringList{u"premium.low"_s}
            << QStringList{u"premium.critical|"_s + premium4}
            << QStringList{u"premium.low"_s, u"premium.critical"_s} << -1.0 << -1.0 << 0;
        QTest::newRow("on-demand tokens") << -1 << -1 << 12'345.0 << QStringList{}
                                          << QStringList{u"onDemand|本期开始产生按需用量：1.2万 tokens"_s}
                                          << QStringList{u"onDemand"_s} << -1.0 << -1.0 << 0;
        QTest::newRow("on-demand once") << -1 << -1 << 99.0 << QStringList{u"onDemand"_s} << QStringList{}
                                        << QStringList{u"onDemand"_s} << -1.0 << -1.0 << 0;
        // On-demand spend by money: once per amount and cycle. A team seat's own spend counts: its
        // team's pool (150 of 500 in every row) does not.
        const QString first = u"onDemand|本期开始产生按需用量：$61.5"_s;
        QTest::newRow("spend reaches the amount")
            << -1 << -1 << 0.0 << QStringList{}
            << QStringList{first, u"onDemand.$50|按需用量已达 $50（本账期已用 $61.5，上限 $200）"_s}
            << QStringList{u"onDemand"_s, u"onDemand.$50"_s} << 61.5 << 200.0 << 50;
        QTest::newRow("exactly the amount, no limit")
            << -1 << -1 << 0.0 << QStringList{u"onDemand"_s}
            << QStringList{u"onDemand.$50|按需用量已达 $50（本账期已用 $50）"_s}
            << QStringList{u"onDemand"_s, u"onDemand.$50"_s} << 50.0 << -1.0 << 50;
        QTest::newRow("unlimited") << -1 << -1 << 0.0 << QStringList{u"onDemand"_s}
                                   << QStringList{u"onDemand.$50|按需用量已达 $50（本账期已用 $61.5）"_s}
                                   << QStringList{u"onDemand"_s, u"onDemand.$50"_s} << 61.5 << -2.0 << 50;
        QTest::newRow("amount sent") << -1 << -1 << 0.0 << QStringList{u"onDemand"_s, u"onDemand.$50"_s}
                                     << QStringList{} << QStringList{u"onDemand"_s, u"onDemand.$50"_s} << 61.5
                                     << 200.0 << 50;
        QTest::newRow("another amount")
            << -1 << -1 << 0.0 << QStringList{u"onDemand"_s, u"onDemand.$50"_s}
            << QStringList{u"onDemand.$60|按需用量已达 $60（本账期已用 $61.5，上限 $200）"_s}
            << QStringList{u"onDemand"_s, u"onDemand.$50"_s, u"onDemand.$60"_s} << 61.5 << 200.0 << 60;
        QTest::newRow("below the amount") << -1 << -1 << 0.0 << QStringList{u"onDemand"_s} << QStringList{}
                                          << QStringList{u"onDemand"_s} << 49.99 << 200.0 << 50;
        QTest::newRow("no amount set") << -1 << -1 << 0.0 << QStringList{u"onDemand"_s} << QStringList{}
                                       << QStringList{u"onDemand"_s} << 61.5 << 200.0 << 0;
        QTest::newRow("no own spend")
            << -1 << -1 << 0.0 << QStringList{} << QStringList{} << QStringList{} << -1.0 << -1.0 << 100;
    }

    void quotaAlerts()
    {
        QFETCH(int, cursorUsed);
        QFETCH(int, premiumUsed);
        QFETCH(double, onDemandTokens);
        QFETCH(QStringList, sentBefore);
        QFETCH(double, spent);
        QFETCH(double, limit);
        QFETCH(int, amount);
        UsageSnapshot s = withRealData();
        if (spent >= 0)
            s.onDemandUsed = spent;
        if (limit >= 0)
            s.onDemandLimit = limit;
        s.onDemandUnlimited = limit == -2;
        s.teamOnDemandUsed = 150;
        s.teamOnDemandLimit = 500;
        s.billingCycleEnd = u"2026-12-14T00:00:00Z"_s;
        s.onDemandTokens = onDemandTokens;
        if (cursorUsed >= 0)
            s.cursorModelsPercent = cursorUsed;
        else
            s.monthlyLimit = 0; // neither a percent nor a limit: no Cursor figure to warn about
        if (premiumUsed >= 0)
            s.otherModelsPercent = premiumUsed;
        const QuotaAlerts::Outcome outcome =
            QuotaAlerts::due(s, {}, sentBefore, amount > 0 ? std::optional<qint64>(amount) : std::nullopt);
        QStringList notices;
        for (const QuotaAlerts::Notice& notice : outcome.notices)
            notices.append(notice.key + u'|' + notice.body);
        QTEST(notices, "notices");
        QTEST(outcome.sent, "sentAfter");
        s.hasRealData = false;
        QVERIFY(QuotaAlerts::due(s, {}, {}).notices.isEmpty());
    }

    void newCycle_data()
    {
        // The cycle notified last (as QuotaAlerts::cycle() keeps it) and the stored snapshot's start.
        QTest::addColumn<QString>("notified");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("notice");
        const QString april = u"2026-04-17T00:00:00Z/2026-05-17T00:00:00Z"_s;
        QTest::newRow("a later start") << april << u"2026-05-17T00:00:00Z"_s << true;
        QTest::newRow("in milliseconds")
            << u"1776384000000/1779000000000"_s << u"2026-05-17T00:00:00Z"_s << true;
        QTest::newRow("the same") << april << u"2026-04-17T00:00:00Z"_s << false;
        QTest::newRow("an earlier start") << april << u"2026-03-17T00:00:00Z"_s << false;
        QTest::newRow("first snapshot ever") << QString() << u"2026-05-17T00:00:00Z"_s << false;
        QTest::newRow("no start before") << u"/2026-05-17T00:00:00Z"_s << u"2026-05-17T00:00:00Z"_s << false;
        QTest::newRow("no start now") << april << QString() << false;
    }

    void newCycle()
    {
        QFETCH(QString, notified);
        QFETCH(QString, start);
        QFETCH(bool, notice);
        UsageSnapshot s = withRealData();
        s.billingCycleStart = start;
        const auto began = QuotaAlerts::newCycle(notified, s);
        QCOMPARE(began.has_value(), notice);
        if (began)
            QCOMPARE(*began, (QuotaAlerts::Notice{u"newCycle"_s, u"新账期已开始 · 额度已恢复"_s}));
    }

    void onDemandAmountIsAWholeNumberInRange()
    {
        TestEnvironment env;
        for (const QString& valid : {u"1"_s, u" 250 "_s, u"100000"_s})
            QCOMPARE(OnDemandAmount::parse(valid), std::optional<qint64>(valid.trimmed().toLongLong()));
        for (const QString& invalid :
             {u""_s, u"0"_s, u"100001"_s, u"-5"_s, u"12.5"_s, u"1e3"_s, u"1,000"_s, u"５０"_s, u"$50"_s})
            QVERIFY2(!OnDemandAmount::parse(invalid), qPrintable(invalid));
        QCOMPARE(OnDemandAmount::load(), std::nullopt); // off by default
        QVERIFY(OnDemandAmount::save(50));
        QCOMPARE(OnDemandAmount::load(), std::optional<qint64>(50));
        QVERIFY(!OnDemandAmount::save(0));
        QCOMPARE(OnDemandAmount::load(), std::optional<qint64>(50));
        env.settingsFile()->setValue(u"onDemandNoticeUSD"_s, u"lots"_s); // edited by hand
        QCOMPARE(OnDemandAmount::load(), std::nullopt);
        QVERIFY(OnDemandAmount::save(std::nullopt));
        QVERIFY(!env.settingsFile()->contains(u"onDemandNoticeUSD"_s));
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
