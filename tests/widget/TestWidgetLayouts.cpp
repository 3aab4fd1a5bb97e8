#include "TestEnvironment.h"
#include "TestRegistry.h"
#include "WidgetTestData.h"

#include "TallyfernView.h"
#include "WidgetFonts.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace WidgetTestData;

namespace {

const QString noon = u"2025-05-10T04:00:00Z"_s;

TallyfernView viewOf(WidgetFamily family, const UsageSnapshot& s)
{
    return TallyfernView(family, UsageEntry{at(noon), s}, at(noon));
}

QList<WidgetItem> layout(WidgetFamily family, const UsageSnapshot& s)
{
    return viewOf(family, s).panel();
}

// The states the layouts are checked (and photographed) in.
QList<std::pair<QString, UsageSnapshot>> states()
{
    QList<std::pair<QString, UsageSnapshot>> all;
    all.append({u"empty"_s, UsageSnapshot::empty()});
    all.append({u"sample"_s, UsageSnapshot::sample()});
    all.append({u"realistic"_s, realistic()});

    UsageSnapshot blankPlan = realistic();
    blankPlan.planName = u"   "_s;
    all.append({u"blank-plan"_s, blankPlan});

    UsageSnapshot noCycleEnd = realistic();
    noCycleEnd.billingCycleEnd = u"next month"_s;
    all.append({u"unparsable-cycle-end"_s, noCycleEnd});

    UsageSnapshot overQuota = realistic();
    overQuota.cursorModelsPercent = 130;
    overQuota.otherModelsPercent = 100;
    overQuota.grokWeeklyPercent = -3;
    all.append({u"over-quota"_s, overQuota});

    UsageSnapshot unpriced = realistic();
    unpriced.models = {row(u"auto"_s, 4e6), row(u"cursor-small"_s, 1e6), row(u"sand-1"_s, 2e6),
                       row(u"default"_s, 1e6)};
    all.append({u"no-prices"_s, unpriced});

    // The widest texts each figure can take, to check nothing runs off the card.
    UsageSnapshot extreme = realistic();
    extreme.planName = u"Enterprise Business Annual Plan With A Very Long Name"_s;
    extreme.totalTokens = 987'654'321'987.0;
    extreme.todayTokens.total = 99'999'999'999.0;
    extreme.billingCycleEnd = u"2031-12-31T00:00:00Z"_s;
    extreme.cursorModelsPercent = -1'000'000'000;
    extreme.otherModelsPercent = 1'000'000'000;
    extreme.grokWeeklyPercent = 100;
    extreme.models = {row(u"composer-2.5"_s, 9e12), row(u"claude-opus-4-8"_s, 9e12, 9e12)};
    all.append({u"extreme"_s, extreme});
    return all;
}

} // namespace

class TestWidgetLayouts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The stored pricing catalog would change the estimates; each test has none.
        m_env = std::make_unique<TestEnvironment>();
    }
    void cleanupTestCase() { m_env.reset(); }

    void emptyStateInEachFamily()
    {
        const UsageSnapshot empty = UsageSnapshot::empty();
        QCOMPARE(texts(layout(WidgetFamily::small, empty)),
                 (QStringList{u"用量"_s, u"未连接"_s, u"—"_s, u"剩余 · Cursor"_s, u"总消耗"_s, u"0"_s,
                              u"未连接"_s}));
        QCOMPARE(texts(layout(WidgetFamily::medium, empty)),
                 (QStringList{u"用量"_s, u"未连接"_s, u"未连接"_s, u"—"_s, u"剩余 · Cursor"_s,
                              u"今日 token"_s, u"0"_s, u"本月 token"_s, u"0"_s, u"Cursor 基础"_s, u"无标价"_s,
                              u"高级模型"_s, u"无标价"_s, u"Cursor — · 其他 — · Grok —"_s}));
        QCOMPARE(texts(layout(WidgetFamily::large, empty)), (QStringList{u"Tallyfern"_s,
                                                                         u"未连接"_s,
                                                                         u"—"_s,
                                                                         u"剩余 · Cursor 模型"_s,
                                                                         u"未连接"_s,
                                                                         u"今日 token"_s,
                                                                         u"0"_s,
                                                                         u"本月 token"_s,
                                                                         u"0"_s,
                                                                         u"Cursor 基础"_s,
                                                                         u"无标价"_s,
                                                                         u"高级模型"_s,
                                                                         u"无标价"_s,
                                                                         u"Cursor — · 其他 — · Grok —"_s,
                                                                         u"Cursor"_s,
                                                                         u"—"_s,
                                                                         u"其他"_s,
                                                                         u"—"_s,
                                                                         u"Grok"_s,
                                                                         u"—"_s,
                                                                         u"打开主应用并粘贴 Cookie"_s}));
        // No bar is filled without a percentage.
        for (const WidgetItem& item : layout(WidgetFamily::large, empty))
            QVERIFY2(!item.name.endsWith(u".fill"_s), qPrintable(item.name));
    }

    void realisticSnapshotInEachFamily()
    {
        const UsageSnapshot s = realistic();
        QCOMPARE(texts(layout(WidgetFamily::small, s)),
                 (QStringList{u"用量"_s, u"Pro+"_s, u"64%"_s, u"剩余 · Cursor"_s, u"总消耗"_s, u"1.44亿"_s,
                              u"还剩 22 天 · 6月1日"_s}));
        const QList<WidgetItem> medium = layout(WidgetFamily::medium, s);
        QCOMPARE(item(medium, u"cycle"_s).text, u"还剩 22 天 · 6月1日"_s);
        QCOMPARE(item(medium, u"metric.今日 token.value"_s).text, u"648.2万"_s);
        QCOMPARE(item(medium, u"metric.本月 token.value"_s).text, u"1.44亿"_s);
        // 18M input, 1.1M output and 40M cache reads of composer-2.5; "auto" has no price.
        QCOMPARE(item(medium, u"metric.Cursor 基础.value"_s).text, u"预估 $19.8"_s);
        // The sonnet row; gpt-5 has no price and the grok bot's "sand-" row never has one.
        QCOMPARE(item(medium, u"metric.高级模型.value"_s).text, u"预估 $43.2"_s);
        QCOMPARE(item(medium, u"quota"_s).text, u"Cursor 36% · 其他 52% · Grok 18%"_s);
        const QList<WidgetItem> large = layout(WidgetFamily::large, s);
        QCOMPARE(item(large, u"footer"_s).text, u"账期还剩 22 天 · 6月1日"_s);
        QCOMPARE(item(large, u"bar.其他.value"_s).text, u"52%"_s);
    }

    void blankPlanNameShowsPersonal()
    {
        UsageSnapshot s = realistic();
        s.planName = u" \n "_s;
        for (WidgetFamily family : WidgetFamilies::all)
            QCOMPARE(item(layout(family, s), u"badge.title"_s).text, u"个人"_s);
    }

    void unparsableCycleEndFallsBackToTheUpdateTime()
    {
        UsageSnapshot s = realistic();
        s.billingCycleEnd = u"next month"_s;
        s.updatedAt = at(u"2025-05-10T01:05:00Z"_s); // 09:05 in Shanghai
        const QString cycle = item(layout(WidgetFamily::medium, s), u"cycle"_s).text;
        QVERIFY2(cycle.startsWith(u"已更新 "_s) && cycle.contains(u"09:05"_s), qPrintable(cycle));
        QCOMPARE(item(layout(WidgetFamily::large, s), u"footer"_s).text, cycle);
    }

    void totalFallsBackToTheTokenTotal()
    {
        UsageSnapshot s = real();
        s.totalTokens = 0;
        s.tokens.total = 5000;
        QCOMPARE(item(layout(WidgetFamily::small, s), u"total.value"_s).text, u"5000"_s);
        QCOMPARE(item(layout(WidgetFamily::medium, s), u"metric.本月 token.value"_s).text, u"5000"_s);
        QCOMPARE(item(layout(WidgetFamily::large, s), u"metric.本月 token.value"_s).text, u"5000"_s);
    }

    void overQuotaPercentIsClampedOnlyInTheBar()
    {
        UsageSnapshot s = realistic();
        s.cursorModelsPercent = 130;
        const QList<WidgetItem> large = layout(WidgetFamily::large, s);
        QCOMPARE(item(large, u"quota"_s).text, u"Cursor 130% · 其他 52% · Grok 18%"_s);
        QCOMPARE(item(large, u"bar.Cursor.value"_s).text, u"100%"_s);
        QCOMPARE(item(large, u"percent"_s).text, u"0%"_s);
        QCOMPARE(item(layout(WidgetFamily::small, s), u"percent"_s).text, u"0%"_s);

        // Full bar for 130, none for a negative value, the stored share in between.
        const WidgetItem track = item(large, u"bar.Cursor.track"_s);
        QCOMPARE(item(large, u"bar.Cursor.fill"_s).rect, track.rect);
        s.cursorModelsPercent = -20;
        QVERIFY(!hasItem(layout(WidgetFamily::large, s), u"bar.Cursor.fill"_s));
        QCOMPARE(item(layout(WidgetFamily::large, s), u"bar.Cursor.value"_s).text, u"0%"_s);
        const WidgetItem other = item(large, u"bar.其他.fill"_s);
        QCOMPARE(other.rect.width(), item(large, u"bar.其他.track"_s).rect.width() * 0.52);
        QCOMPARE(other.clip, item(large, u"bar.其他.track"_s).rect);
    }

    void withoutPricedRowsBothSpendCellsSayUnpriced()
    {
        UsageSnapshot s = realistic();
        s.models = {row(u"auto"_s, 4e6), row(u"cursor-small"_s, 1e6), row(u"sand-1"_s, 2e6),
                    row(u"default"_s, 1e6)};
        for (WidgetFamily family : {WidgetFamily::medium, WidgetFamily::large}) {
            const QList<WidgetItem> items = layout(family, s);
            QCOMPARE(item(items, u"metric.Cursor 基础.value"_s).text, u"无标价"_s);
            QCOMPARE(item(items, u"metric.高级模型.value"_s).text, u"无标价"_s);
        }
    }

    void nothingRunsOffTheCardOrOverlaps()
    {
        for (const auto& [state, snapshot] : states()) {
            for (WidgetFamily family : WidgetFamilies::all) {
                const TallyfernView view = viewOf(family, snapshot);
                const QString where = state + u' ' + WidgetFamilies::name(family);
                const QRectF card(QPointF(0, 0), view.size());
                const QRectF inner = card.adjusted(8, 8, -8, -8);
                const QList<WidgetItem> items = view.panel();
                for (const WidgetItem& item : items) {
                    QVERIFY2(inner.contains(item.rect), qPrintable(where + u": "_s + item.name));
                    if (item.kind != WidgetItem::Kind::text)
                        continue;
                    for (const WidgetItem& other : items) {
                        if (&other == &item || other.kind != WidgetItem::Kind::text)
                            continue;
                        QVERIFY2(!item.rect.intersects(other.rect),
                                 qPrintable(where + u": "_s + item.name + u" overlaps "_s + other.name));
                    }
                }
                saveScreenshot(view, state);
            }
        }
    }

    void chineseTextUsesSimplifiedGlyphs()
    {
        if (!QFontDatabase::families().contains(u"Noto Sans CJK SC"_s))
            QSKIP("Noto Sans CJK SC is not installed");
        // "还剩" draws differently in the Japanese variant, which plain fallback would pick.
        for (const QFont& font :
             {WidgetFonts::style(TextStyle::caption2), WidgetFonts::system(28, QFont::Bold)}) {
            QTextLayout text(u"还剩 22 天 · 用量 Cursor"_s, font);
            text.beginLayout();
            text.createLine();
            text.endLayout();
            QStringList chinese;
            for (const QGlyphRun& run : text.glyphRuns()) {
                const QString family = run.rawFont().familyName();
                if (family.contains(u"CJK"_s))
                    chinese.append(family);
            }
            chinese.removeDuplicates();
            QCOMPARE(chinese, QStringList{u"Noto Sans CJK SC"_s});
        }
    }

    void renderedCardHasRoundCornersInThePalette()
    {
        const TallyfernView view = viewOf(WidgetFamily::medium, realistic());
        const QImage light = view.render(WidgetPalette::light(), 2);
        QCOMPARE(light.size(), QSize(728, 340));
        QCOMPARE(light.devicePixelRatio(), 2.0);
        QCOMPARE(qAlpha(light.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(light.pixel(727, 339)), 0);
        // Inside the card, away from any text: the palette's background.
        QCOMPARE(light.pixelColor(700, 320), WidgetPalette::light().background);
        const QImage dark = view.render(WidgetPalette::dark(), 1);
        QCOMPARE(dark.size(), QSize(364, 170));
        QCOMPARE(dark.pixelColor(350, 160), WidgetPalette::dark().background);
        QVERIFY(light != view.render(WidgetPalette::dark(), 2));
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

TALLYFERN_REGISTER_TEST(TestWidgetLayouts);
#include "TestWidgetLayouts.moc"
