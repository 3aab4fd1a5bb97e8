#include "PageTest.h"
#include "TestRegistry.h"

#include "app/views/CapsuleBar.h"
#include "app/views/OverviewPage.h"
#include "app/views/PlanBadge.h"
#include "app/views/QuotaCard.h"
#include "app/views/RemainingCard.h"
#include "app/views/TokenPanel.h"
#include "app/views/UsageRing.h"

#include <QScrollBar>

#include <limits>

using namespace PageTesting;

namespace {

const QString overviewNote = u"预估按官方标价，套餐内可能 $0。"_s;
const QString legend = u"左对齐 Cursor 模型，右对齐收费的其他模型"_s;

QString ringFigures(const QWidget* page)
{
    const QList<UsageRing*> rings = page->findChildren<UsageRing*>();
    return rings.at(0)->figure() + u'|' + rings.at(1)->figure();
}

} // namespace

// The overview page: its rings, cards and quota rows for each snapshot, redrawn in place.
class TestOverviewPage : public PageTest
{
    Q_OBJECT

private Q_SLOTS:
    void overviewWithoutData()
    {
        OverviewPage page;
        page.setPricingLabel(u"标价用内置表"_s);
        QCOMPARE(texts(&page), u"—|剩余|Cursor 模型|—|剩余|高级模型|未连接|还没有用量数据|"
                               u"到设置页粘贴 Cookie 后即可在本机刷新|总计|—|套餐内|—|按需|—|"
                               u"Cursor 消耗|—|其他模型消耗|—|"_s +
                                   overviewNote +
                                   u"标价用内置表|Cursor 模型|未返回|其他模型|未返回|Grok 机器人|"
                                   u"周重置时间未返回|未返回"_s);
        QCOMPARE(page.findChild<PlanBadge*>()->fill(), Theme::white(0.18));
        // At the window's first width the two empty cards would fit side by side; the empty state
        // has the whole row instead, and its words keep to one line.
        showAt(&page, 720, 640);
        QVERIFY(!page.isWide());
        const QList<QLabel*> labels = page.findChild<RemainingCard*>()->findChildren<QLabel*>();
        const QLabel* title = labels.at(labels.size() - 2);
        QCOMPARE(title->text(), u"还没有用量数据"_s);
        QCOMPARE_LT(title->height(), 2 * title->fontMetrics().lineSpacing());
        saveScreenshot(&page, 720, u"overview-no-data"_s);

        // Stored figures without real data: only the quota card shows them.
        UsageSnapshot stored = realistic();
        stored.hasRealData = false;
        page.setSnapshot(stored);
        QCOMPARE(ringFigures(&page), u"—|—"_s);
        QCOMPARE(textsOf<TokenPanel>(&page).count(u"—"_s), 5);
        QVERIFY(textsOf<QuotaCard>(&page).startsWith(
            u"Cursor 模型|已用 28%|其他模型|含至少 $20 API|已用 64%|"_s));
    }

    void overviewOfARealisticAccount()
    {
        OverviewPage page;
        page.setSnapshot(realistic());
        page.setPricingLabel(u"标价已同步 6月1日"_s);
        // At this rate the premium quota runs out a day before the cycle ends: the card says so.
        QCOMPARE(texts(&page), u"72%|剩余|Cursor 模型|36%|剩余|高级模型|Pro|还剩 12 天|账期到 6月14日|"
                               u"按当前速度，高级模型额度约在 6月13日 用完|"_s +
                                   legend +
                                   u"|总计|1.45亿|套餐内|1.19亿|按需|2604.6万|Cursor 消耗|预估 $7.24|"
                                   u"5970万|其他模型消耗|预估 $87.6|8170万|"_s +
                                   overviewNote +
                                   u"标价已同步 6月1日|Cursor 模型|已用 28%|其他模型|含至少 $20 API|"
                                   u"已用 64%|Grok 机器人|重置 6月5日（还剩 3 天）|已用 35%"_s);
        QCOMPARE(page.findChild<PlanBadge*>()->fill(), Theme::cursorTint());
        readmePicture(&page, 720, u"overview"_s);
        saveScreenshot(&page, 1000, u"overview-wide"_s);

        // A redraw shows the new content at once (never an empty page in between), where the user left it.
        showAt(&page, 640, 300);
        page.scroll()->verticalScrollBar()->setValue(100);
        UsageSnapshot next = realistic();
        next.cursorModelsPercent = 50;
        page.setSnapshot(next);
        QVERIFY(page.findChild<UsageRing*>()->isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(page.scroll()->verticalScrollBar()->value(), 100);
        QCOMPARE(ringFigures(&page), u"50%|36%"_s);
    }

    void overviewPlanAndCycle()
    {
        // Without a usable cycle end there is no day count: the badge stands alone. The pace is then
        // judged by the calendar month, two days old.
        const QString monthPace = u"按当前速度，高级模型额度约在 6月3日 用完|"_s;
        const QList<std::tuple<QString, QString, QString>> rows{
            {u"cycle-over"_s, u"2025-05-01T00:00:00Z"_s, u"Pro|还剩 0 天|账期到 5月1日|"_s + monthPace},
            {u"unparsable-cycle-end"_s, u"next month"_s, u"Pro|本月账期|"_s + monthPace}};
        for (const auto& [name, cycleEnd, shown] : rows) {
            UsageSnapshot s = realistic();
            s.billingCycleEnd = cycleEnd;
            OverviewPage page;
            page.setSnapshot(s);
            QCOMPARE(textsOf<RemainingCard>(&page).section(u'|', 6), shown + legend);
            saveScreenshot(&page, 720, u"overview-"_s + name);
        }
    }

    void overviewPercents()
    {
        using Percent = std::optional<qint64>;
        constexpr qint64 max = std::numeric_limits<qint64>::max(), min = std::numeric_limits<qint64>::min();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        // The two rings, the quota rows' used percents and footnote, and their bars' fill. Without a
        // Cursor percent or a limit the first ring falls back to the included share; nothing overflows.
        const QList<std::tuple<QString, Percent, Percent, double, QString, QList<double>>> rows{
            {u"absent"_s, {}, {}, 0, u"65%|—|未返回|未返回|未返回"_s, {0, 0, 0}},
            {u"negative"_s, -20, 0, nan, u"100%|100%|-20%|0%|35%"_s, {0, 0, 0.35}},
            {u"huge"_s,
             max,
             min,
             1e300,
             u"0%|100%|9223372036854775807%|-9223372036854775808%|35%"_s,
             {1, 0, 0.35}}};
        for (const auto& [name, cursor, other, limit, shown, filled] : rows) {
            UsageSnapshot s = realistic();
            s.cursorModelsPercent = cursor;
            s.otherModelsPercent = other;
            s.monthlyLimit = limit;
            s.includedPercent = 35;
            if (!cursor)
                s.grokWeeklyPercent = std::nullopt;
            OverviewPage page;
            page.setSnapshot(s);
            showAt(&page, 720, 700);
            QStringList quota = textsOf<QuotaCard>(&page).remove(u"已用 "_s).split(u'|');
            quota.removeIf([](const QString& t) {
                return t.contains(u"模型"_s) || t.contains(u"重置"_s) || t.startsWith(u"Grok"_s);
            });
            QCOMPARE(QString(ringFigures(&page) + u'|' + quota.join(u'|')), shown);
            // An arc never shows more than its figure says.
            for (const UsageRing* ring : page.findChildren<UsageRing*>())
                QCOMPARE(ring->arcFraction(),
                         ring->figure() == u"—"_s ? 0 : ring->figure().chopped(1).toDouble() / 100);
            const QList<CapsuleBar*> bars = page.findChild<QuotaCard*>()->findChildren<CapsuleBar*>();
            for (int i = 0; i < 3; ++i) {
                QVERIFY(bars.at(i)->width() > 500);
                QCOMPARE(bars.at(i)->fillWidth(), bars.at(i)->width() * filled.at(i));
            }
            saveScreenshot(&page, 720, u"overview-"_s + name);
        }
    }

    void overviewOnDemand()
    {
        using Dollars = std::optional<double>;
        // The on-demand row's texts after the Grok row, and how much of its bar is filled (-1: no bar).
        const QList<std::tuple<QString, Dollars, Dollars, bool, Dollars, Dollars, QString, double>> rows{
            {u"none"_s, {}, {}, false, {}, {}, QString(), -1},
            {u"limited"_s, 23.1, 100, false, {}, {}, u"按需用量|$23.1 / $100"_s, 0.231},
            {u"overspent"_s, 120, 100, false, {}, {}, u"按需用量|$120 / $100"_s, 1},
            {u"team"_s, 23.1, {}, true, 150, 500, u"按需用量|$23.1 · 无上限|团队 $150 / $500"_s, -1},
            {u"team-only"_s, {}, {}, false, 150, {}, u"按需用量|—|团队 $150"_s, -1}};
        for (const auto& [name, used, limit, unlimited, teamUsed, teamLimit, shown, filled] : rows) {
            UsageSnapshot s = realistic();
            s.onDemandUsed = used;
            s.onDemandLimit = limit;
            s.onDemandUnlimited = unlimited;
            s.teamOnDemandUsed = teamUsed;
            s.teamOnDemandLimit = teamLimit;
            OverviewPage page;
            page.setSnapshot(s);
            showAt(&page, 720, 760);
            QCOMPARE(textsOf<QuotaCard>(&page).section(u"已用 35%"_s, 1).mid(1), shown);
            const QList<CapsuleBar*> bars = page.findChild<QuotaCard*>()->findChildren<CapsuleBar*>();
            QCOMPARE(bars.size(), filled < 0 ? 3 : 4);
            if (filled >= 0)
                QCOMPARE(bars.last()->fillWidth(), bars.last()->width() * filled);
            if (name == u"team"_s)
                saveScreenshot(&page, 720, u"overview-on-demand"_s);
        }
    }
};

TALLYFERN_REGISTER_TEST(TestOverviewPage);
#include "TestOverviewPage.moc"
