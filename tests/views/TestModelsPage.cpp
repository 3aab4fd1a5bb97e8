#include "PageTest.h"
#include "TestRegistry.h"

#include "app/views/CapsuleBar.h"
#include "app/views/ModelTable.h"
#include "app/views/ModelTile.h"
#include "app/views/ModelsPage.h"
#include "app/views/OverviewPage.h"
#include "app/views/TokenPanel.h"

using namespace PageTesting;

namespace {

const QString modelsNote = u"预估按官方标价，套餐内可能 $0；接口不返回发起程序。"_s;

} // namespace

// The models page: its sources, strip and tables, and the estimates priced by the built-in table.
class TestModelsPage : public PageTest
{
    Q_OBJECT

private Q_SLOTS:
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
        readmePicture(&page, 720, u"models"_s);
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
};

TALLYFERN_REGISTER_TEST(TestModelsPage);
#include "TestModelsPage.moc"
