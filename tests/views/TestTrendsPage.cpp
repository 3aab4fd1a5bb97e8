#include "PageTest.h"
#include "TestRegistry.h"

#include "app/views/DailyBars.h"
#include "app/views/TrendsPage.h"

#include <QAccessible>
#include <QToolTip>

using namespace PageTesting;

namespace {

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

} // namespace

// The trends page: its states while the history syncs, the daily bars and their details, and the
// pace line.
class TestTrendsPage : public PageTest
{
    Q_OBJECT

private Q_SLOTS:
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
        const UsageSnapshot snapshot = realistic();
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
                readmePicture(&page, 720, u"trends"_s);
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

        // The pace of each quota (QuotaPace's table, tests/model): on 2 June the premium quota runs
        // out before the cycle's end, the Cursor one lasts; during the cycle's first day neither says
        // anything yet.
        page.setData(crowded, snapshot, true, Clock::now());
        QVERIFY(texts(&page).contains(
            u"|按当前速度，Cursor 模型额度可用到账期结束|按当前速度，高级模型额度约在 6月13日 用完|"_s));
        page.setData(crowded, snapshot, true, *Timestamp::parseInternetDateTime(u"2025-05-15T07:59:59Z"_s));
        QVERIFY(!texts(&page).contains(u"按当前速度"_s));
    }
};

TALLYFERN_REGISTER_TEST(TestTrendsPage);
#include "TestTrendsPage.moc"
