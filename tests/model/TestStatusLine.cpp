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
        QTest::newRow("every part") << 28 << 64 << 1
                                    << u"Cursor 剩余 72% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s
                                    << u"ok"_s << 36 << false;
        QTest::newRow("a team seat") << 28 << 64 << 1
                                     << u"Cursor 剩余 72% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s
                                     << u"ok"_s << 36 << true;
        QTest::newRow("no premium quota")
            << 28 << -1 << 1 << u"Cursor 剩余 72% · Grok 已用 35% · 还剩 12 天"_s << u"ok"_s << 72 << false;
        // No percent and no limit: the ring's 0 is shown but is no reason for alarm.
        QTest::newRow("unknown Cursor quota")
            << -1 << 64 << 1 << u"Cursor 剩余 0% · 高级剩余 36% · Grok 已用 35% · 还剩 12 天"_s << u"ok"_s
            << 36 << false;
        QTest::newRow("low") << 80 << 10 << 1
                             << u"Cursor 剩余 20% · 高级剩余 90% · Grok 已用 35% · 还剩 12 天"_s << u"low"_s
                             << 20 << false;
        QTest::newRow("critical") << 10 << 95 << 1
                                  << u"Cursor 剩余 90% · 高级剩余 5% · Grok 已用 35% · 还剩 12 天"_s
                                  << u"critical"_s << 5 << false;
        QTest::newRow("stale before critical")
            << 10 << 99 << 11 << u"Cursor 剩余 90% · 高级剩余 1% · Grok 已用 35% · 还剩 12 天"_s << u"stale"_s
            << 1 << false;
    }

    void statusLine()
    {
        QFETCH(int, cursorUsed);
        QFETCH(int, premiumUsed);
        QFETCH(int, ageMinutes);
        QFETCH(QString, text);
        QFETCH(bool, team);
        const Timestamp now = *Timestamp::parseInternetDateTime(u"2026-12-02T10:00:00+08:00"_s);
        UsageSnapshot s = UsageSnapshot::empty();
        s.hasRealData = true;
        s.planName = u"Pro"_s;
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
        QCOMPARE(bar.value("tooltip"_L1).toString(), text.split(u" · "_s).join(u'\n') +
                                                         u"\n套餐 Pro\n账期到 12月14日\n更新于 12月2日 "_s +
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
        QCOMPARE(json, expected);
    }

    void statusJsonKeysAreDocumented()
    {
        // Every figure known, so that the object holds every key it can.
        UsageSnapshot s = UsageSnapshot::empty();
        s.hasRealData = true;
        s.billingCycleEnd = u"2026-12-14T00:00:00Z"_s;
        s.cursorModelsPercent = s.otherModelsPercent = s.grokWeeklyPercent = 10;
        s.models = {{u"composer-2.5"_s, ModelUsage::groupFor(u"composer-2.5"_s), {1e6, 0, 0, 0, 1e6}, 0, 0},
                    {u"claude-4.5-sonnet"_s,
                     ModelUsage::groupFor(u"claude-4.5-sonnet"_s),
                     {1e6, 0, 0, 0, 1e6},
                     0,
                     0}};
        s.onDemandUsed = s.onDemandLimit = s.teamOnDemandUsed = s.teamOnDemandLimit = 1;
        s.onDemandUnlimited = true;
        const QJsonObject json = StatusLine::json(s, s.updatedAt);
        QCOMPARE(json.size(), 19);
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
