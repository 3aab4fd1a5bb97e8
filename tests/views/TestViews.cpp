#include "PageTesting.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/views/CapsuleBar.h"
#include "app/views/DailyBars.h"
#include "app/views/FitLabel.h"
#include "app/views/MetricCell.h"
#include "app/views/ModelTable.h"
#include "app/views/ModelTile.h"
#include "app/views/ModelsPage.h"
#include "app/views/OverviewPage.h"
#include "app/views/PlanBadge.h"
#include "app/views/QuotaCard.h"
#include "app/views/RemainingCard.h"
#include "app/views/TokenPanel.h"
#include "app/views/TrendsPage.h"
#include "app/views/UsageRing.h"

#include "model/PricingCatalog.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"

#include <QAccessible>
#include <QRawFont>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextLayout>
#include <QToolTip>

#include <limits>

using namespace PageTesting;

namespace {

const QString overviewNote = u"预估按官方标价，套餐内可能 $0。"_s;
const QString modelsNote = u"预估按官方标价，套餐内可能 $0；接口不返回发起程序。"_s;
const QString legend = u"左对齐 Cursor 模型，右对齐收费的其他模型"_s;

// A cycle from 14 May 08:00 UTC to 14 June, 2 June (today) with two models. Fetched whole up to
// `fetched` days (the newest first: from 26 May on, the rest not yet), `synced` of them for good;
// the previous cycle fetched whole or not at all.
TrendsReport trendsOf(int fetched, int synced, bool previousFetched = true)
{
    TrendsReport report;
    report.today = QDate(2025, 6, 2);
    // Earlier days vary by weekday and the previous cycle runs a little lower, as real use does.
    for (int i = 0; i < 32; ++i) {
        const QDate day = QDate(2025, 5, 14).addDays(i);
        const double busy = day.dayOfWeek() >= 6 ? 0.3 : 1.0 + (i % 5) * 0.2;
        const bool stored = i < 19 && i >= 20 - fetched;
        report.days.append(
            stored ? LedgerDay{day, {{u"auto"_s, busy * 4e6}, {u"claude-4.5-sonnet"_s, busy * 6e6}}, 0, 30}
                   : LedgerDay{day, {}, 0, 0});
        if (i < 20 - fetched)
            report.unsyncedDays.insert(day);
        report.previousDays.append(LedgerDay{day.addDays(-31), {{u"auto"_s, busy * 7e6}}, 0, 20});
        if (!previousFetched)
            report.previousUnsyncedDays.insert(day.addDays(-31));
    }
    report.days[19] = LedgerDay{report.today, {{u"auto"_s, 3e6}, {u"gpt-5"_s, 12e6}}, 2e6, 40};
    report.elapsedDays = 20;
    report.fetchedDays = fetched;
    report.syncedDays = synced;
    report.previousFetched = previousFetched;
    report.includedTokens = 207e6;
    report.onDemandTokens = 2e6;
    report.todayTokens = 15e6;
    report.events = 610;
    report.toDateTokens = 209e6;
    report.previousToDateTokens = previousFetched ? 148.4e6 : 0;
    return report;
}

// Lit pixels of a bar's slot above its baseline, drawn alone on black.
int litAboveBaseline(DailyBars* bars, int index)
{
    QImage image(bars->size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    bars->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const qreal slot = qreal(bars->width()) / 32;
    int lit = 0;
    for (int x = int(index * slot); x < int((index + 1) * slot); ++x) {
        for (int y = 0; y < DailyBars::chartHeight - 14; ++y)
            lit += qGray(image.pixel(x, y)) > 40 ? 1 : 0;
    }
    return lit;
}

template <typename Part>
QString textsOf(const QWidget* page)
{
    return texts(page->findChild<Part*>());
}

QString ringFigures(const QWidget* page)
{
    const QList<UsageRing*> rings = page->findChildren<UsageRing*>();
    return rings.at(0)->figure() + u'|' + rings.at(1)->figure();
}

ModelTable* table(const QWidget* page, int index)
{
    return page->findChildren<ModelTable*>().at(index);
}

// The lines a label shows at the width, after the shrunk font size when it had to shrink.
QStringList shownLines(const QString& text, const QFont& font, int maximumLines, int width)
{
    FitLabel label(text, font);
    label.setMaximumLines(maximumLines);
    label.setMinimumScale(0.8);
    PageTesting::showAt(&label, width, 80);
    QStringList lines = label.shownLines();
    if (label.shownFont().pixelSize() != font.pixelSize())
        lines.prepend(QString::number(label.shownFont().pixelSize()) + u"px"_s);
    return lines;
}

} // namespace

// The dashboard's pages, each a pure function of the snapshot, and the pieces they are drawn with.
class TestViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // No stored pricing catalog unless a test writes one; day counts are stable.
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(QString::fromLatin1(now));
    }
    void cleanup() { m_env.reset(); }

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
        QCOMPARE(texts(&page), u"72%|剩余|Cursor 模型|36%|剩余|高级模型|Pro|还剩 12 天|账期到 6月14日|"_s +
                                   legend +
                                   u"|总计|1.45亿|套餐内|1.19亿|按需|2604.6万|Cursor 消耗|预估 $7.24|"
                                   u"5970万|其他模型消耗|预估 $87.6|8170万|"_s +
                                   overviewNote +
                                   u"标价已同步 6月1日|Cursor 模型|已用 28%|其他模型|含至少 $20 API|"
                                   u"已用 64%|Grok 机器人|重置 6月5日（还剩 3 天）|已用 35%"_s);
        QCOMPARE(page.findChild<PlanBadge*>()->fill(), Theme::cursorTint());
        saveScreenshot(&page, 720, u"overview"_s);
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
        // Without a usable cycle end there is no day count: the badge stands alone.
        const QList<std::tuple<QString, QString, QString, QString>> rows{
            {u"blank-plan"_s, u" \n\t "_s, u"2025-06-14T08:00:00Z"_s, u"个人|还剩 12 天|账期到 6月14日|"_s},
            {u"cycle-over"_s, u"Pro"_s, u"2025-05-01T00:00:00Z"_s, u"Pro|还剩 0 天|账期到 5月1日|"_s},
            {u"unparsable-cycle-end"_s, u"Pro"_s, u"next month"_s, u"Pro|本月账期|"_s}};
        for (const auto& [name, plan, cycleEnd, shown] : rows) {
            UsageSnapshot s = realistic();
            s.planName = plan;
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
            {u"over"_s, 130, 120, 20.9, u"0%|0%|130%|含至少 $20 API|120%|35%"_s, {1, 1, 0.35}},
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

    void paintedControlsReadAloud()
    {
        OverviewPage overview, empty;
        overview.setSnapshot(realistic());
        ModelsPage models;
        models.setSnapshot(realistic());
        const QList<UsageRing*> rings = overview.findChildren<UsageRing*>();
        auto* tile = models.findChild<ModelTile*>();
        const QList<std::tuple<QWidget*, QAccessible::Role, QString>> rows{
            {rings.at(0), QAccessible::ProgressBar, u"Cursor 模型 剩余 72%|72%"_s},
            {empty.findChild<UsageRing*>(), QAccessible::ProgressBar, u"Cursor 模型 剩余 暂无|暂无"_s},
            {overview.findChild<QuotaCard*>()->findChild<CapsuleBar*>(), QAccessible::ProgressBar,
             u"Cursor 模型 已用 28%|28%"_s},
            {overview.findChild<PlanBadge*>(), QAccessible::StaticText, u"套餐 Pro|Pro"_s},
            {overview.findChildren<MetricCell*>().at(3), QAccessible::Grouping,
             u"Cursor 消耗|预估 $7.24 · 5970万"_s},
            {tile, QAccessible::Grouping, u"auto|3820万 · 无标价"_s},
            // 38.2 of the largest model's 63.4 million tokens.
            {tile->findChild<ShareBar*>(), QAccessible::ProgressBar, u"auto 占比|60%"_s}};
        for (const auto& [control, role, read] : rows) {
            QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(control);
            QCOMPARE(spoken->role(), role);
            QCOMPARE(spoken->text(QAccessible::Name) + u'|' + spoken->text(QAccessible::Value), read);
        }
        // Gauges also give their figure as a number; without one there is none to give.
        QCOMPARE(QAccessible::queryAccessibleInterface(rings.at(0))->valueInterface()->currentValue(),
                 QVariant(72.0));
        QVERIFY(!QAccessible::queryAccessibleInterface(empty.findChild<UsageRing*>())->valueInterface());
    }

    void modelsWithoutRows()
    {
        for (const bool realData : {false, true}) {
            UsageSnapshot s = UsageSnapshot::empty();
            s.hasRealData = realData;
            ModelsPage page;
            page.setSnapshot(s);
            QCOMPARE(
                texts(&page),
                u"Cursor|0|无标价|Grok 机器人|0|无标价|其他模型|0|无标价|"_s + modelsNote + u'|' +
                    (realData ? u"这个账期还没有按模型拆开的 token"_s : u"粘贴 Cookie 后显示各模型消耗"_s));
            QVERIFY(page.findChildren<ModelTile*>().isEmpty() && page.findChildren<ModelTable*>().isEmpty());
            saveScreenshot(&page, 720, realData ? u"models-no-rows"_s : u"models-no-data"_s);
        }
    }

    void modelsOfSevenRows()
    {
        ModelsPage page;
        page.setSnapshot(realistic());
        // Sources, footnote, a strip of the first five, then all seven in the tables of their groups.
        QCOMPARE(texts(&page),
                 u"Cursor|5970万|预估 $7.24|Grok 机器人|330万|无标价|其他模型|8170万|预估 $87.6|"_s +
                     modelsNote +
                     u"|auto|3820万|无标价|Composer 2.5|2150万|预估 $7.24|gpt 5 codex|980万|"
                     u"无标价|Grok 4.6 fast|610万|预估 $7.55|Sand 1|330万|无标价|"
                     u"Cursor 模型|5970万|预估 $7.24|auto|3820万|无标价|Composer 2.5|2150万|"
                     u"预估 $7.24|其他模型|8500万|预估 $87.6|gpt 5 codex|980万|无标价|"
                     u"Grok 4.6 fast|610万|预估 $7.55|Sand 1|330万|无标价|4.5 sonnet|6340万|"
                     u"预估 $73.0|Opus 4.8|240万|预估 $7.05"_s);
        // Tile bars against the largest row of all seven (the sixth, not shown), in the group's tint.
        const QList<ModelTile*> strip = page.findChildren<ModelTile*>();
        QCOMPARE(strip.at(0)->findChild<CapsuleBar*>()->fraction(), 38.2e6 / 63.4e6);
        QCOMPARE(strip.at(2)->findChild<CapsuleBar*>()->tint(), Theme::otherTint());
        // Table bars: shares of the table's own sum.
        showAt(&page, 720, 900);
        const QList<CapsuleBar*> bars = table(&page, 0)->findChildren<CapsuleBar*>();
        QCOMPARE(bars.at(0)->fillWidth(), bars.at(0)->width() * 38.2e6 / 59.7e6);
        saveScreenshot(&page, 720, u"models"_s);
        saveScreenshot(&page, 640, u"models-stacked"_s);
    }

    void modelTablePricing()
    {
        UsageSnapshot s = bare();
        s.models = {row(u"auto"_s, 5e5), row(u"claude-4.5-sonnet"_s, 1e6, 1e6), // $3 + $15
                    row(u"gpt-5"_s, 1e6, 1e6),                      // unknown to the built-in table
                    row(u"sand-x"_s, 2e6), row(u"default"_s, 1e6)}; // never priced
        ModelsPage page;
        page.setSnapshot(s);
        // Auto, as the service names it ("default"), is one of Cursor's models.
        QCOMPARE(texts(table(&page, 0)), u"Cursor 模型|150万|无标价|auto|50万|无标价|auto|100万|无标价"_s);
        // One priced row of three: the header shows that row's cost alone.
        QCOMPARE(texts(table(&page, 1)), u"其他模型|600万|预估 $18.0|4.5 sonnet|200万|预估 $18.0|gpt 5|200万|"
                                         u"无标价|Sand x|200万|无标价"_s);
        saveScreenshot(&page, 720, u"models-unpriced"_s);
        // The overview's spend cell without an estimate still shows its tokens.
        OverviewPage overview;
        overview.setSnapshot(s);
        QVERIFY(textsOf<TokenPanel>(&overview).endsWith(
            u"Cursor 消耗|无标价|150万|其他模型消耗|预估 $18.0|400万"_s));

        // A stored catalog prices what the built-in table does not, at the next redraw; the
        // never-priced rows stay unpriced whatever the catalog says.
        QVERIFY(QDir().mkpath(SnapshotStore::supportFolder()));
        QSaveFile file(PricingStore::fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QList<PricingEntry> entries{{u"gpt-5"_s, false, 2, 0, 0, 10, false},
                                          {u"sand"_s, false, 1, 0, 0, 1, false}};
        file.write(*PricingCatalog{Timestamp{770'000'000}, std::nullopt, entries}.encode());
        QVERIFY(file.commit());
        page.setSnapshot(s);
        QCOMPARE(texts(table(&page, 1)), u"其他模型|600万|预估 $30.0|4.5 sonnet|200万|预估 $18.0|gpt 5|200万|"
                                         u"预估 $12.0|Sand x|200万|无标价"_s);

        // Rows of one group only: the other table is empty, with no bar.
        s.models = {row(u"composer-2.5"_s, 1e6)};
        page.setSnapshot(s);
        QCOMPARE(texts(table(&page, 1)), u"其他模型|0|无标价|无"_s);
        QVERIFY(table(&page, 1)->findChildren<CapsuleBar*>().isEmpty());
    }

    void modelsOfAbsurdRows()
    {
        UsageSnapshot s = bare();
        s.models = {row(u"claude-"_s, 0), row(u"cursor-"_s, 0), row(u"grok-4.6"_s, 0), row(QString(), 0)};
        ModelsPage page;
        page.setSnapshot(s);
        showAt(&page, 720, 700);
        // Zero tokens everywhere: every bar is empty, and priced models cost $0.00.
        for (const CapsuleBar* bar : page.findChildren<CapsuleBar*>())
            QCOMPARE(bar->fillWidth(), 0.0);
        QCOMPARE(texts(table(&page, 0)), u"Cursor 模型|0|无标价||0|无标价"_s);
        QCOMPARE(texts(table(&page, 1)),
                 u"其他模型|0|预估 $0.00||0|无标价|Grok 4.6|0|预估 $0.00||0|无标价"_s);
        QCOMPARE(page.findChildren<ModelTile*>().size(), 4);
        saveScreenshot(&page, 720, u"models-absurd"_s);
    }

    void sideBySideWhenBothFit()
    {
        // The window's minimum width, either side of the pages' breakpoint, the window's default
        // width, and wider. The overview's cards sit side by side only while both fit whole; at 800
        // that depends on the plan name's width.
        const QList<std::pair<int, std::optional<bool>>> widths{
            {640, false}, {659, false}, {660, false}, {720, false}, {800, std::nullopt}, {1000, true}};
        // Every plan the service names, and one too long for any card: it alone is cut, at the end.
        const QString tooLong = u"enterprise_"_s.repeated(12);
        const QStringList plans{u"free"_s,     u"pro"_s,        u"pro_plus"_s,   u"ultra"_s,
                                u"business"_s, u"enterprise"_s, u"free_trial"_s, tooLong};
        for (const auto& [width, cardsWide] : widths) {
            const int right = width - PageScroll::sidePadding - 1;
            ModelsPage models;
            models.setSnapshot(realistic());
            showAt(&models, width, 900);
            const QRect cursor = geometryIn(table(&models, 0), &models);
            const QRect other = geometryIn(table(&models, 1), &models);
            QCOMPARE(models.isWide(), width >= 660);
            // Side by side the tables are each as tall as their own rows.
            QVERIFY(models.isWide() ? other.topLeft() == QPoint(cursor.right() + 15, cursor.top()) &&
                                          cursor.height() < other.height()
                                    : other.topLeft() == QPoint(cursor.left(), cursor.bottom() + 15));
            QCOMPARE(other.right(), right);
            QCOMPARE(geometryIn(models.findChildren<ModelTile*>().constLast(), &models).right(), right);

            for (const QString& plan : plans) {
                UsageSnapshot s = realistic();
                s.planName = plan;
                OverviewPage overview;
                overview.setSnapshot(s);
                showAt(&overview, width, 900);
                if (cardsWide)
                    QCOMPARE(overview.isWide(), *cardsWide && plan != tooLong);
                const auto* remaining = overview.findChild<RemainingCard*>();
                const QRect card = geometryIn(remaining, &overview);
                const QRect panel = geometryIn(overview.findChild<TokenPanel*>(), &overview);
                // Beside each other 14 apart, equally wide and tall, or one above the other; either
                // way across the padded width.
                QCOMPARE(card.left(), PageScroll::sidePadding);
                QCOMPARE(panel.right(), right);
                if (overview.isWide()) {
                    QCOMPARE(panel.topLeft(), QPoint(card.right() + 15, card.top()));
                    QVERIFY(qAbs(card.width() - panel.width()) <= 1);
                    QCOMPARE(card.height(), panel.height());
                } else {
                    QCOMPARE(panel.topLeft(), QPoint(card.left(), card.bottom() + 15));
                    QCOMPARE(card.right(), right);
                }
                QVERIFY(geometryIn(overview.findChild<QuotaCard*>(), &overview).top() > panel.bottom() + 14);

                // Nothing reaches past the card, the rings keep 16 apart, and the badge shows the
                // whole plan name, or its start and an ellipsis.
                for (const QWidget* child : remaining->findChildren<QWidget*>())
                    QVERIFY2(remaining->rect().contains(geometryIn(child, remaining)), qPrintable(plan));
                const QList<UsageRing*> rings = remaining->findChildren<UsageRing*>();
                QVERIFY(geometryIn(rings.at(1), remaining).left() -
                            geometryIn(rings.at(0), remaining).right() >
                        16);
                const QString shown = remaining->findChild<PlanBadge*>()->shownText();
                QVERIFY2(plan == tooLong ? shown.endsWith(u'…') && plan.startsWith(shown.chopped(1))
                                         : shown == plan,
                         qPrintable(shown));
            }
        }
        UsageSnapshot s = realistic();
        s.planName = u"enterprise"_s;
        OverviewPage overview;
        overview.setSnapshot(s);
        for (const int width : {660, 720, 800})
            saveScreenshot(&overview, width, u"overview-enterprise-"_s + QString::number(width));
        s.planName = tooLong;
        overview.setSnapshot(s);
        saveScreenshot(&overview, 640, u"overview-long-plan"_s);
    }

    void trendsPageStates()
    {
        // Off, nothing synced yet; fetched whole up to some days, the previous cycle not yet; fetched
        // whole with the last two days not yet final; all of it final.
        const QString comparison = u"本账期至今 2.09亿 tokens，上一账期同期 1.48亿（+41%）"_s;
        const QList<std::tuple<bool, TrendsReport, QString, QString>> rows{
            {false, trendsOf(20, 20), QString(), QString()},
            {true, TrendsReport{}, u"还没有用量历史，下次刷新后开始同步"_s, QString()},
            {true, trendsOf(8, 6, false),
             u"历史同步中（已同步 6/20 天），同步完整后显示精确的套餐内与按需拆分"_s,
             u"本账期至今 2.09亿 tokens（尚未同步完整），上一账期尚未同步完整"_s},
            {true, trendsOf(20, 18),
             u"套餐内 2.07亿 · 按需 200万 · 今天 1500万 tokens · 共 610 个事件 · 已同步 18/20 天"_s,
             comparison},
            {true, trendsOf(20, 20),
             u"套餐内 2.07亿 · 按需 200万 · 今天 1500万 tokens · 共 610 个事件 · 已同步 20/20 天"_s,
             comparison}};
        UsageSnapshot snapshot = realistic();
        snapshot.billingCycleStart = u"2025-05-14T08:00:00.000Z"_s;
        for (const auto& [enabled, report, split, compared] : rows) {
            TrendsPage page(nullptr, nullptr);
            page.setData(report, snapshot, enabled);
            showAt(&page, 720, 640);
            QCOMPARE(page.offLine()->isVisibleTo(&page), !enabled);
            QCOMPARE(page.historyContent()->isVisibleTo(&page), enabled);
            if (!enabled)
                continue;
            QCOMPARE(page.splitLabel()->text(), split);
            if (report.elapsedDays == 0)
                continue;
            QVERIFY(texts(&page).contains(compared));
            // Every day of the cycle has a bar; today is the day described until another is chosen,
            // and a screen reader hears the cycle's summary until then.
            DailyBars* bars = page.bars();
            QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(bars);
            QCOMPARE(spoken->role(), QAccessible::Chart);
            QCOMPARE(spoken->text(QAccessible::Description), bars->summaryText());
            QCOMPARE(bars->selectedIndex(), 19);
            QCOMPARE(bars->detailText(), u"6月2日 · 共 1500万 · gpt-5 1200万 · auto 300万"_s);
            if (report.syncedDays == 20)
                saveScreenshot(&page, 720, u"trends"_s);
            QTest::keyClick(bars, Qt::Key_Right);
            QCOMPARE(bars->detailText(), u"6月3日 · 没有用量"_s);
            QCOMPARE(spoken->text(QAccessible::Description), bars->detailText());
            if (report.fetchedDays == 20)
                continue;
            // A day not yet fetched: an outline with no fill, unlike a day without usage, and it
            // says so on hover and to a screen reader.
            QCOMPARE(bars->summaryText(),
                     u"5月14日至6月14日 · 共 9100万 tokens · 最多 5月28日 1800万 · 12 天尚未同步"_s);
            const int outline = litAboveBaseline(bars, 3);
            QVERIFY2(outline > 50 && litAboveBaseline(bars, 25) == 0, qPrintable(QString::number(outline)));
            const QPoint center = bars->barRect(3).center().toPoint();
            QHelpEvent hover(QEvent::ToolTip, center, bars->mapToGlobal(center));
            QCoreApplication::sendEvent(bars, &hover);
            QCOMPARE(QToolTip::text(), u"5月17日 · 尚未同步"_s);
            bars->setSelectedIndex(3);
            QCOMPARE(spoken->text(QAccessible::Description), u"5月17日 · 尚未同步"_s);
            saveScreenshot(&page, 720, u"trends-syncing"_s);
        }

        // A day of 24 models names the largest that fit the two lines beneath, then counts the rest.
        TrendsReport crowded = trendsOf(20, 20);
        for (int i = 0; i < 24; ++i)
            crowded.days[19].models.insert(u"claude-model-%1-thinking"_s.arg(i), 1e6 * (i + 1));
        TrendsPage page(nullptr, nullptr);
        page.setData(crowded, snapshot, true);
        showAt(&page, 720, 640);
        const QString detail = page.bars()->detailText();
        const QStringList parts = detail.split(u" · "_s);
        QVERIFY2(parts.at(2).startsWith(u"claude-model-23-thinking 2400万"_s) &&
                     parts.last() == u"其他 %1 个模型"_s.arg(26 - (parts.size() - 3)),
                 qPrintable(detail));
        const QRect room(0, 0, page.bars()->width(), 1000);
        QVERIFY(QFontMetrics(Theme::font(Theme::TextStyle::caption))
                    .boundingRect(room, Qt::TextWordWrap, detail)
                    .height() <= page.bars()->sizeHint().height() - DailyBars::chartHeight);
        saveScreenshot(&page, 720, u"trends-crowded"_s);

        // The pace line; 2 June 04:00 UTC is 61 % of the way through the cycle.
        const QString enough = u"按当前速度，高级模型额度可用到账期结束"_s;
        const QList<std::pair<std::optional<qint64>, QString>> paces{
            {std::nullopt, QString()},
            {60, enough},
            {64, u"按当前速度，高级模型额度约在 6月13日 用完"_s},
            {100, u"按当前速度，高级模型额度约在 6月2日 用完"_s}};
        for (const auto& [used, pace] : paces)
            QCOMPARE(TrendsPage::paceText(u"高级模型额度"_s, used, snapshot, Clock::now()), pace);
    }

    void chineseTextUsesSimplifiedGlyphs()
    {
        // Shared CJK code points must come from a Simplified Chinese face, not the Japanese one
        // fontconfig picks for a C locale.
        QTextLayout layout(u"剩余高级模型，账期到"_s, Theme::font(Theme::TextStyle::caption));
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        QVERIFY(!layout.glyphRuns().isEmpty());
        for (const QGlyphRun& run : layout.glyphRuns())
            QVERIFY2(Theme::chineseFamilies().contains(run.rawFont().familyName()),
                     qPrintable(run.rawFont().familyName()));
    }

    void ringStartsAtTwelveAndGrowsClockwise()
    {
        // A quarter ring covers the upper right quarter of the circle, and nothing else.
        QImage image(UsageRing::side, UsageRing::side, QImage::Format_ARGB32);
        image.fill(Qt::black);
        UsageRing(25, {}, {}, Theme::otherTint()).render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const auto tinted = [&image](int x, int y) { return image.pixelColor(x, y).blue() > 200; };
        QVERIFY(tinted(86, 18));
        QVERIFY(!tinted(86, 86) && !tinted(18, 86) && !tinted(18, 18));
    }

    void fitLabelWrapsShrinksAndCuts()
    {
        // Lines break after spaces but never inside a date, and a phrase broken between characters
        // leaves no single one behind; what does not fit even at 80 % is cut with an ellipsis.
        const QFont title = Theme::font(Theme::TextStyle::title3, QFont::DemiBold);
        const QFontMetrics metrics(title);
        QCOMPARE(shownLines(u"账期到 6月14日"_s, title, 0, metrics.horizontalAdvance(u"6月14日"_s) + 4),
                 (QStringList{u"账期到"_s, u"6月14日"_s}));
        QCOMPARE(shownLines(u"还没有用量数据"_s, title, 0, metrics.horizontalAdvance(u"还没有"_s) + 1),
                 (QStringList{u"还没有"_s, u"用量"_s, u"数据"_s}));
        const QFont caption = Theme::font(Theme::TextStyle::caption2, QFont::Medium);
        const QStringList cut =
            shownLines(u"an extremely long model name that will not fit"_s, caption, 2, 60);
        QCOMPARE(cut.size(), 3);
        QCOMPARE(cut.first(), u"8px"_s);
        QVERIFY(cut.last().endsWith(u'…'));
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

TALLYFERN_REGISTER_TEST(TestViews);
#include "TestViews.moc"
