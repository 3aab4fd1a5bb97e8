#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "WidgetTestData.h"

#include "TallyfernView.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace WidgetTestData;

namespace {

// Noon in Shanghai, where the tests run (TZ=Asia/Shanghai).
const QString noon = u"2025-05-10T04:00:00Z"_s;

} // namespace

class TestWidgetTexts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void planTitle_data()
    {
        QTest::addColumn<bool>("hasRealData");
        QTest::addColumn<QString>("planName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("not connected") << false << u"Pro"_s << u"未连接"_s;
        QTest::newRow("as reported") << true << u"Pro+"_s << u"Pro+"_s;
        QTest::newRow("trimmed") << true << u" \tUltra\n"_s << u"Ultra"_s;
        QTest::newRow("empty") << true << QString() << u"个人"_s;
        QTest::newRow("blanks and breaks") << true << u"  \n\r\t "_s << u"个人"_s;
        QTest::newRow("ideographic space") << true << u"\u3000"_s << u"个人"_s;
    }
    void planTitle()
    {
        QFETCH(bool, hasRealData);
        QFETCH(QString, planName);
        UsageSnapshot s = real();
        s.hasRealData = hasRealData;
        s.planName = planName;
        QTEST(TallyfernView::planTitle(s), "expected");
    }

    void percentText()
    {
        UsageSnapshot s = real();
        s.includedPercent = 35;
        QCOMPARE(TallyfernView::percentText(s), u"65%"_s);
        s.cursorModelsPercent = 130;
        QCOMPARE(TallyfernView::percentText(s), u"0%"_s);
        s.cursorModelsPercent = 0;
        QCOMPARE(TallyfernView::percentText(s), u"100%"_s);
        s.hasRealData = false;
        QCOMPARE(TallyfernView::percentText(s), u"—"_s);
        QCOMPARE(TallyfernView::percentText(UsageSnapshot::empty()), u"—"_s);
    }

    void cycleShortAndFooter_data()
    {
        QTest::addColumn<QString>("billingCycleEnd");
        QTest::addColumn<QString>("cycleShort");
        QTest::addColumn<QString>("footer");
        // Local days: 10 May noon to 31 May 08:00 is 21 calendar days.
        QTest::newRow("end parses") << u"2025-05-31T00:00:00Z"_s << u"还剩 21 天 · 5月31日"_s
                                    << u"账期还剩 21 天 · 5月31日"_s;
        QTest::newRow("fraction and offset")
            << u"2025-05-11T23:30:00.250+08:00"_s << u"还剩 1 天 · 5月11日"_s << u"账期还剩 1 天 · 5月11日"_s;
        QTest::newRow("milliseconds")
            << u"1748649600000"_s << u"还剩 21 天 · 5月31日"_s << u"账期还剩 21 天 · 5月31日"_s;
        QTest::newRow("already over")
            << u"2025-05-01T00:00:00Z"_s << u"还剩 0 天 · 5月1日"_s << u"账期还剩 0 天 · 5月1日"_s;
    }
    void cycleShortAndFooter()
    {
        QFETCH(QString, billingCycleEnd);
        UsageSnapshot s = real();
        s.billingCycleEnd = billingCycleEnd;
        QTEST(TallyfernView::cycleShort(s, at(noon)), "cycleShort");
        QTEST(TallyfernView::footer(s, at(noon)), "footer");
    }

    void withoutCycleEndBothShowTheUpdateTime_data()
    {
        QTest::addColumn<QString>("billingCycleEnd");
        QTest::newRow("empty") << QString();
        QTest::newRow("unparsable") << u"end of month"_s;
        QTest::newRow("bare date") << u"2025-05-31"_s;
    }
    void withoutCycleEndBothShowTheUpdateTime()
    {
        QFETCH(QString, billingCycleEnd);
        UsageSnapshot s = real();
        s.billingCycleEnd = billingCycleEnd;
        s.updatedAt = at(u"2025-05-10T03:34:56Z"_s); // 11:34 in Shanghai
        const QString footer = TallyfernView::footer(s, at(noon));
        QVERIFY2(footer.startsWith(u"已更新 "_s), qPrintable(footer));
        QVERIFY2(footer.contains(u"11:34"_s), qPrintable(footer));
        QVERIFY2(!footer.contains(u"2025"_s), qPrintable(footer)); // time of day only
        QCOMPARE(TallyfernView::cycleShort(s, at(noon)), footer);
    }

    void notConnected()
    {
        UsageSnapshot s = UsageSnapshot::empty();
        s.billingCycleEnd = u"2025-05-31T00:00:00Z"_s;
        QCOMPARE(TallyfernView::cycleShort(s, at(noon)), u"未连接"_s);
        QCOMPARE(TallyfernView::footer(s, at(noon)), u"打开主应用并粘贴 Cookie"_s);
    }

    void quotaLineShowsStoredValuesUnclamped()
    {
        UsageSnapshot s = UsageSnapshot::empty();
        QCOMPARE(TallyfernView::quotaLine(s), u"Cursor — · 其他 — · Grok —"_s);
        // Not consulted for this line.
        s.cursorModelsPercent = 130;
        s.otherModelsPercent = -5;
        s.grokWeeklyPercent = 7;
        QCOMPARE(TallyfernView::quotaLine(s), u"Cursor 130% · 其他 -5% · Grok 7%"_s);
        s.otherModelsPercent = std::nullopt;
        QCOMPARE(TallyfernView::quotaLine(s), u"Cursor 130% · 其他 — · Grok 7%"_s);
    }

    void tokenFigures()
    {
        UsageSnapshot s = real();
        s.tokens.total = 5000;
        s.totalTokens = 0;
        QCOMPARE(TallyfernView::totalTokensText(s), u"5000"_s);
        s.totalTokens = -1;
        QCOMPARE(TallyfernView::totalTokensText(s), u"5000"_s);
        s.totalTokens = 123'456'789;
        QCOMPARE(TallyfernView::totalTokensText(s), u"1.23亿"_s);
        s.todayTokens.total = 12'345;
        QCOMPARE(TallyfernView::todayTokensText(s), u"1.2万"_s);
        QCOMPARE(TallyfernView::totalTokensText(UsageSnapshot::empty()), u"0"_s);
    }

    void spendAndBars()
    {
        QCOMPARE(TallyfernView::spendText(std::nullopt), u"无标价"_s);
        QCOMPARE(TallyfernView::spendText(0.0), u"预估 $0.00"_s);
        QCOMPARE(TallyfernView::spendText(12.34), u"预估 $12.3"_s);

        QCOMPARE(TallyfernView::barPercent(std::nullopt), std::nullopt);
        QCOMPARE(TallyfernView::barPercent(130), 100);
        QCOMPARE(TallyfernView::barPercent(-20), 0);
        QCOMPARE(TallyfernView::barPercent(42), 42);
        QCOMPARE(TallyfernView::barValueText(std::nullopt), u"—"_s);
        QCOMPARE(TallyfernView::barValueText(100), u"100%"_s);
    }
};

TALLYFERN_REGISTER_TEST(TestWidgetTexts);
#include "TestWidgetTexts.moc"
