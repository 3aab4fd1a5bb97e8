#include "ReadmePicture.h"
#include "TestRegistry.h"
#include "WidgetTest.h"

#include "WidgetFonts.h"

#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

using namespace WidgetTestData;

// The widget's layouts in each family: their texts, bars and glyphs for every state of the snapshot.
class TestWidgetLayouts : public WidgetTest
{
    Q_OBJECT

private Q_SLOTS:
    void emptyStateInEachFamily()
    {
        const UsageSnapshot empty = UsageSnapshot::empty();
        QCOMPARE(texts(layout(WidgetFamily::small, empty)), u"用量|未连接|—|剩余 · Cursor|总消耗|0|未连接"_s);
        QCOMPARE(texts(layout(WidgetFamily::medium, empty)),
                 u"用量|未连接|未连接|—|剩余 · Cursor|今日 token|0|本月 token|0|Cursor 基础|无标价|高级模型|"
                 u"无标价|Cursor — · 其他 — · Grok —"_s);
        QCOMPARE(
            texts(layout(WidgetFamily::large, empty)),
            u"Tallyfern|未连接|—|剩余 · Cursor 模型|未连接|今日 token|0|本月 token|0|Cursor 基础|无标价|"
            u"高级模型|无标价|Cursor — · 其他 — · Grok —|Cursor|—|其他|—|Grok|—|打开主应用并粘贴 Cookie"_s);
        // No bar is filled without a percentage.
        for (const WidgetItem& item : layout(WidgetFamily::large, empty))
            QVERIFY2(!item.name.endsWith(u".fill"_s), qPrintable(item.name));
    }

    void eachStateInEachFamily()
    {
        UsageSnapshot noCycleEnd = realistic();
        noCycleEnd.billingCycleEnd = u"next month"_s;
        noCycleEnd.updatedAt = at(u"2025-05-10T01:05:00Z"_s);
        // Without a usable cycle end both families show the time of day of the last update.
        const QString updated = TallyfernView::footer(noCycleEnd, at(noon));
        QVERIFY2(updated.startsWith(u"已更新 09:05"_s), qPrintable(updated));
        UsageSnapshot zeroTotal = real();
        zeroTotal.totalTokens = 0;
        zeroTotal.tokens.total = 5000;
        UsageSnapshot overQuota = realistic();
        overQuota.cursorModelsPercent = 130;
        UsageSnapshot unpriced = realistic();
        unpriced.models = {row(u"auto"_s, 4e6), row(u"cursor-small"_s, 1e6), row(u"sand-1"_s, 2e6),
                           row(u"default"_s, 1e6)};
        UsageSnapshot extreme = realistic(); // the widest texts each figure can take
        extreme.planName = u"Enterprise Business Annual Plan With A Very Long Name"_s;
        extreme.totalTokens = 987'654'321'987.0;
        extreme.todayTokens.total = 99'999'999'999.0;
        extreme.cursorModelsPercent = -1'000'000'000;
        extreme.otherModelsPercent = 1'000'000'000;
        extreme.models = {row(u"composer-2.5"_s, 9e12), row(u"claude-opus-4-8"_s, 18e12)};

        // Per state, what some items read ("family|item|text"); in every family of every state,
        // nothing runs off the card and no two texts overlap.
        const QList<std::tuple<QString, UsageSnapshot, QStringList>> states{
            {u"realistic"_s,
             realistic(),
             {u"small|total.value|1.44亿"_s, u"medium|cycle|还剩 22 天 · 6月1日"_s,
              u"medium|metric.今日 token.value|648.2万"_s, u"large|footer|账期还剩 22 天 · 6月1日"_s,
              // composer-2.5 priced, "auto" not; the sonnet row, while gpt-5 and "sand-" have no price.
              u"medium|metric.Cursor 基础.value|预估 $19.8"_s, u"medium|metric.高级模型.value|预估 $43.2"_s}},
            {u"empty"_s, UsageSnapshot::empty(), {}},
            {u"sample"_s, UsageSnapshot::sample(), {}},
            {u"unparsable-cycle-end"_s,
             noCycleEnd,
             {u"medium|cycle|"_s + updated, u"large|footer|"_s + updated}},
            {u"zero-total"_s,
             zeroTotal,
             {u"small|total.value|5000"_s, u"medium|metric.本月 token.value|5000"_s,
              u"large|metric.本月 token.value|5000"_s}},
            {u"over-quota"_s,
             overQuota,
             {u"small|percent|0%"_s, u"large|percent|0%"_s, u"large|bar.Cursor.value|100%"_s,
              u"large|quota|Cursor 130% · 其他 52% · Grok 18%"_s}},
            {u"no-prices"_s,
             unpriced,
             {u"medium|metric.Cursor 基础.value|无标价"_s, u"medium|metric.高级模型.value|无标价"_s,
              u"large|metric.Cursor 基础.value|无标价"_s, u"large|metric.高级模型.value|无标价"_s}},
            {u"extreme"_s, extreme, {}}};
        for (const auto& [state, snapshot, expected] : states) {
            for (const QString& line : expected) {
                const QStringList parts = line.split(u'|');
                QCOMPARE(item(layout(*WidgetFamilies::fromName(parts[0]), snapshot), parts[1]).text,
                         parts[2]);
            }
            for (WidgetFamily family : WidgetFamilies::all) {
                const TallyfernView view(family, UsageEntry{at(noon), snapshot}, at(noon));
                const QString where = state + u' ' + WidgetFamilies::name(family) + u": "_s;
                const QRectF inner = QRectF(QPointF(0, 0), view.size()).adjusted(8, 8, -8, -8);
                const QList<WidgetItem> items = view.panel();
                for (const WidgetItem& a : items) {
                    QVERIFY2(inner.contains(a.rect), qPrintable(where + a.name));
                    for (const WidgetItem& b : items) {
                        if (&a != &b && a.kind == WidgetItem::Kind::text && b.kind == WidgetItem::Kind::text)
                            QVERIFY2(!a.rect.intersects(b.rect),
                                     qPrintable(where + a.name + u" overlaps "_s + b.name));
                    }
                }
                saveScreenshot(view, state);
                if (state == u"realistic"_s && ReadmePicture::wanted())
                    ReadmePicture::check(view.render(WidgetPalette::light()),
                                         u"widget-"_s + WidgetFamilies::name(family));
            }
        }
    }

    void barFillsItsShareOfTheTrack()
    {
        UsageSnapshot s = realistic();
        s.cursorModelsPercent = 130;
        s.grokWeeklyPercent = -20;
        const QList<WidgetItem> large = layout(WidgetFamily::large, s);
        // Full for 130, none below 0, the stored share in between, clipped to the track.
        QCOMPARE(item(large, u"bar.Cursor.fill"_s).rect, item(large, u"bar.Cursor.track"_s).rect);
        QVERIFY(item(large, u"bar.Grok.fill"_s).name.isEmpty() &&
                item(large, u"bar.Grok.value"_s).text == u"0%"_s);
        const QRectF track = item(large, u"bar.其他.track"_s).rect;
        QCOMPARE(item(large, u"bar.其他.fill"_s).rect.width(), track.width() * 0.52);
        QCOMPARE(item(large, u"bar.其他.fill"_s).clip, track);
    }

    void chineseTextUsesSimplifiedGlyphs()
    {
        // "还剩" draws differently in the Japanese variant of Noto CJK, which plain fallback picks.
        QTextLayout text(u"还剩 22 天 · 用量 Cursor"_s, WidgetFonts::system(28, QFont::Bold));
        text.beginLayout();
        text.createLine();
        text.endLayout();
        QStringList chinese;
        for (const QGlyphRun& run : text.glyphRuns()) {
            if (run.rawFont().familyName().contains(u"CJK"_s))
                chinese.append(run.rawFont().familyName());
        }
        chinese.removeDuplicates();
        QCOMPARE(chinese, QStringList{u"Noto Sans CJK SC"_s});
    }
};

TALLYFERN_REGISTER_TEST(TestWidgetLayouts);
#include "TestWidgetLayouts.moc"
