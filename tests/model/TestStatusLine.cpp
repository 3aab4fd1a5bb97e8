#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/StatusLine.h"

#include <QRegularExpression>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The manual page's text, its escaped dashes plain.
QString manualPage()
{
    return QString::fromUtf8(fileBytes(QStringLiteral(TALLYFERN_MANUAL_PAGE))).replace(u"\\-"_s, u"-"_s);
}

} // namespace

// The status line for bars and scripts: its text, its waybar object and its JSON, whose keys the
// manual page lists.
class TestStatusLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusLine_data()
    {
        // Used percents of the Cursor and premium quotas (-1: absent), the snapshot's age in
        // minutes, and what a bar shows.
        QTest::addColumn<int>("cursorUsed");
        QTest::addColumn<int>("premiumUsed");
        QTest::addColumn<int>("ageMinutes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("barClass");
        QTest::addColumn<int>("percentage");
        QTest::addColumn<bool>("team"); // a team seat with unlimited on-demand use and a team pool
        // The quota that runs out before the cycle's end at this rate (QuotaPace), and when.
        QTest::addColumn<QString>("pace");
        QTest::addColumn<QString>("runsOutAt");
        const QString premiumOut = u"按当前速度，高级模型额度约在 12月12日 用完"_s;
        const QString premiumAt = u"premiumRunsOutAt=2026-12-12T06:07:30Z"_s;
        QTest::newRow("every part") << 28 << 64 << 1
                                    << u"Cursor 剩余 72% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s
                                    << u"ok"_s << 36 << false << premiumOut << premiumAt;
        QTest::newRow("a team seat") << 28 << 64 << 1
                                     << u"Cursor 剩余 72% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s
                                     << u"ok"_s << 36 << true << premiumOut << premiumAt;
        QTest::newRow("no premium quota")
            << 28 << -1 << 1 << u"Cursor 剩余 72% · Grok 已用 35% · 还剩 12 天"_s << u"ok"_s << 72 << false
            << QString() << QString();
        // No percent and no limit: the ring's 0 is shown but is no reason for alarm.
        QTest::newRow("unknown Cursor quota")
            << -1 << 64 << 1 << u"Cursor 剩余 0% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s << u"ok"_s
            << 36 << false << premiumOut << premiumAt;
        QTest::newRow("low") << 80 << 10 << 1
                             << u"Cursor 剩余 20% · 高级剩余 90% · Grok 已用 35% · 还剩 12 天"_s << u"low"_s
                             << 20 << false << u"按当前速度，Cursor 模型额度约在 12月6日 用完"_s
                             << u"cursorRunsOutAt=2026-12-06T14:30:00Z"_s;
        QTest::newRow("critical") << 10 << 95 << 1
                                  << u"Cursor 剩余 90% · 高级剩余 5% · Grok 已用 35% · 还剩 12 天"_s
                                  << u"critical"_s << 5 << false
                                  << u"按当前速度，高级模型额度约在 12月3日 用完"_s
                                  << u"premiumRunsOutAt=2026-12-03T00:50:31Z"_s;
        QTest::newRow("stale before critical")
            << 10 << 99 << 11 << u"Cursor 剩余 90% · 高级剩余 1% · Grok 已用 35% · 还剩 12 天"_s << u"stale"_s
            << 1 << false << u"按当前速度，高级模型额度约在 12月2日 用完"_s
            << u"premiumRunsOutAt=2026-12-02T06:23:01Z"_s;
    }

    void statusLine()
    {
        QFETCH(int, cursorUsed);
        QFETCH(int, premiumUsed);
        QFETCH(int, ageMinutes);
        QFETCH(QString, text);
        QFETCH(bool, team);
        QFETCH(QString, pace);
        QFETCH(QString, runsOutAt);
        const Timestamp now = *Timestamp::parseInternetDateTime(u"2026-12-02T10:00:00+08:00"_s);
        UsageSnapshot s = UsageSnapshot::empty();
        s.hasRealData = true;
        s.planName = u"Pro"_s;
        s.billingCycleStart = u"2026-11-14T00:00:00Z"_s; // 18 days and 2 hours of 30 gone by
        s.billingCycleEnd = u"2026-12-14T00:00:00Z"_s;
        s.updatedAt = Timestamp{now.secondsSinceReference - ageMinutes * 60};
        if (cursorUsed >= 0)
            s.cursorModelsPercent = cursorUsed;
        s.grokWeeklyPercent = 35;
        s.totalTokens = 1000;
        if (premiumUsed >= 0)
            s.otherModelsPercent = premiumUsed;
        if (team) {
            s.onDemandUsed = 23.1;
            s.onDemandUnlimited = true;
            s.teamOnDemandUsed = 150;
            s.teamOnDemandLimit = 500;
        }

        QCOMPARE(StatusLine::text(s, now), text);
        const QJsonObject bar = StatusLine::waybar(s, {}, now);
        QCOMPARE(bar.value("text"_L1).toString(), text.section(u" · "_s, 0, 1));
        QTEST(bar.value("class"_L1).toString(), "barClass");
        QTEST(bar.value("percentage"_L1).toInt(), "percentage");
        QCOMPARE(bar.value("tooltip"_L1).toString(),
                 text.split(u" · "_s).join(u'\n') + u"\n套餐 Pro\n账期到 12月14日\n"_s +
                     (pace.isEmpty() ? QString() : pace + u'\n') + u"更新于 12月2日 "_s +
                     (ageMinutes == 1 ? u"09:59"_s : u"09:49"_s));

        QJsonObject json = StatusLine::json(s, now);
        QCOMPARE(json.value("premiumRemainingPercent"_L1).toVariant(),
                 premiumUsed >= 0 ? QVariant(100 - premiumUsed) : QVariant());
        json.remove("premiumRemainingPercent"_L1);
        QJsonObject expected{{u"hasData"_s, true},
                             {u"stale"_s, ageMinutes > 10},
                             {u"updatedAt"_s, s.updatedAt.toInternetDateTime()},
                             {u"ageSeconds"_s, ageMinutes * 60},
                             {u"plan"_s, u"Pro"_s},
                             {u"cycleEnd"_s, u"2026-12-14T00:00:00Z"_s},
                             {u"daysLeft"_s, 12},
                             {u"cursorRemainingPercent"_s, cursorUsed >= 0 ? 100 - cursorUsed : 0},
                             {u"grokUsedPercent"_s, 35},
                             {u"tokensTotal"_s, 1000},
                             {u"todayTokens"_s, 0}};
        // On-demand figures only when known, and "no limit" only when so.
        if (team) {
            expected.insert(u"onDemandUsedUSD"_s, 23.1);
            expected.insert(u"onDemandUnlimited"_s, true);
            expected.insert(u"teamOnDemandUsedUSD"_s, 150);
            expected.insert(u"teamOnDemandLimitUSD"_s, 500);
        }
        if (!runsOutAt.isEmpty())
            expected.insert(runsOutAt.section(u'=', 0, 0), runsOutAt.section(u'=', 1));
        QCOMPARE(json, expected);
    }

    void otherAccountsInTheTooltip()
    {
        // Each other account's line gains its pace after " · " when a quota runs out early.
        const Timestamp now = *Timestamp::parseInternetDateTime(u"2026-12-02T02:00:00Z"_s);
        UsageSnapshot s = UsageSnapshot::empty();
        s.hasRealData = true;
        s.billingCycleStart = u"2026-11-14T00:00:00Z"_s;
        s.billingCycleEnd = u"2026-12-14T00:00:00Z"_s;
        s.cursorModelsPercent = 50;
        UsageSnapshot early = s;
        early.otherModelsPercent = 95;
        const QJsonObject bar =
            StatusLine::waybar({u"主"_s, s}, {{u"工作"_s, early}, {u"个人"_s, s}}, {}, now);
        QCOMPARE(bar.value("tooltip"_L1).toString().split(u'\n').last(2),
                 QStringList({u"工作 · Cursor 剩余 50% · 高级剩余 5% · 还剩 12 天 · "
                              u"按当前速度，高级模型额度约在 12月3日 用完"_s,
                              u"个人 · Cursor 剩余 50% · 还剩 12 天"_s}));
    }

    void statusJsonKeysAreDocumented()
    {
        // Every figure known, so that the object holds every key it can.
        UsageSnapshot s = UsageSnapshot::empty();
        s.hasRealData = true;
        s.billingCycleStart = u"2026-11-14T00:00:00Z"_s;
        s.billingCycleEnd = u"2026-12-14T00:00:00Z"_s;
        s.cursorModelsPercent = s.otherModelsPercent = 90; // both run out early
        s.grokWeeklyPercent = 10;
        s.models = {{u"composer-2.5"_s, ModelUsage::groupFor(u"composer-2.5"_s), {1e6, 0, 0, 0, 1e6}, 0, 0},
                    {u"claude-4.5-sonnet"_s,
                     ModelUsage::groupFor(u"claude-4.5-sonnet"_s),
                     {1e6, 0, 0, 0, 1e6},
                     0,
                     0}};
        s.onDemandUsed = s.onDemandLimit = s.teamOnDemandUsed = s.teamOnDemandLimit = 1;
        s.onDemandUnlimited = true;
        const QJsonObject json =
            StatusLine::json(s, *Timestamp::parseInternetDateTime(u"2026-12-02T02:00:00Z"_s));
        QCOMPARE(json.size(), 21);
        // Each in bold on a line of its own, as the manual page lists them.
        for (const QString& key : json.keys()) {
            const QRegularExpression listed(u"^\\.BR? (.* )?"_s + key + u"( |$)"_s,
                                            QRegularExpression::MultilineOption);
            QVERIFY2(manualPage().contains(listed), qPrintable(key));
        }
    }
};

TALLYFERN_REGISTER_TEST(TestStatusLine);
#include "TestStatusLine.moc"
