#include "PageProbe.h"
#include "Snapshots.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/views/CapsuleBar.h"
#include "app/views/ModelTable.h"
#include "app/views/ModelTile.h"
#include "app/views/ModelsPage.h"
#include "app/views/PageScroll.h"
#include "app/views/Theme.h"

#include "model/PricingCatalog.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"

#include <QDir>
#include <QSaveFile>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString footnote = u"预估按官方标价，套餐内可能 $0；接口不返回发起程序。"_s;

QList<ModelTable*> tables(const QWidget* page)
{
    return page->findChildren<ModelTable*>();
}

QList<ModelTile*> tiles(const QWidget* page)
{
    return page->findChildren<ModelTile*>();
}

QStringList sourceTexts(const ModelsPage& page)
{
    return PageProbe::visibleTexts(&page).mid(0, 9);
}

QList<double> barFractions(const QWidget* part)
{
    QList<double> fractions;
    for (const CapsuleBar* bar : part->findChildren<CapsuleBar*>())
        fractions.append(bar->fraction());
    return fractions;
}

void storeCatalog(const QList<PricingEntry>& entries)
{
    QVERIFY(QDir().mkpath(SnapshotStore::supportFolder()));
    QSaveFile file(PricingStore::fileName());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(*PricingCatalog{Timestamp{770'000'000}, std::nullopt, entries}.encode());
    QVERIFY(file.commit());
}

} // namespace

class TestModelsPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // A fresh support folder per test: no stored pricing catalog unless the test writes one.
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(QString::fromLatin1(Snapshots::now));
    }
    void cleanup() { m_env.reset(); }

    void withoutModels_data()
    {
        QTest::addColumn<bool>("realData");
        QTest::addColumn<QString>("message");
        QTest::newRow("no data") << false << u"粘贴 Cookie 后显示各模型消耗"_s;
        QTest::newRow("real data") << true << u"这个账期还没有按模型拆开的 token"_s;
    }

    void withoutModels()
    {
        QFETCH(bool, realData);
        QFETCH(QString, message);
        UsageSnapshot s = UsageSnapshot::empty();
        s.hasRealData = realData;
        ModelsPage page;
        page.setSnapshot(s);
        QCOMPARE(PageProbe::visibleTexts(&page),
                 (QStringList{u"Cursor"_s, u"0"_s, u"无标价"_s, u"Grok 机器人"_s, u"0"_s, u"无标价"_s,
                              u"其他模型"_s, u"0"_s, u"无标价"_s, footnote, message}));
        QVERIFY(tiles(&page).isEmpty());
        QVERIFY(tables(&page).isEmpty());
        PageProbe::saveScreenshot(&page, 720, realData ? u"models-no-rows"_s : u"models-no-data"_s);
    }

    void realisticAccount()
    {
        ModelsPage page;
        page.setSnapshot(Snapshots::realistic());
        QCOMPARE(sourceTexts(page),
                 (QStringList{u"Cursor"_s, u"6050万"_s, u"预估 $7.24"_s, u"Grok 机器人"_s, u"330万"_s,
                              u"无标价"_s, u"其他模型"_s, u"8170万"_s, u"预估 $87.6"_s}));
        QCOMPARE(PageProbe::visibleTexts(&page).at(9), footnote);

        const QList<ModelTile*> strip = tiles(&page);
        QCOMPARE(strip.size(), 5);
        QStringList tileTexts;
        for (const ModelTile* tile : strip)
            tileTexts += PageProbe::visibleTexts(tile);
        QCOMPARE(tileTexts,
                 (QStringList{u"4.5 sonnet"_s, u"6340万"_s, u"预估 $73.0"_s, u"auto"_s, u"3820万"_s,
                              u"无标价"_s, u"Composer 2.5"_s, u"2150万"_s, u"预估 $7.24"_s, u"gpt 5 codex"_s,
                              u"980万"_s, u"无标价"_s, u"Grok 4.6 fast"_s, u"610万"_s, u"预估 $7.55"_s}));
        // Each tile's bar against the largest model, in its group's colour.
        QCOMPARE(strip.at(0)->findChild<CapsuleBar*>()->fraction(), 1.0);
        QCOMPARE(strip.at(1)->findChild<CapsuleBar*>()->fraction(), 38.2e6 / 63.4e6);
        QCOMPARE(strip.at(0)->findChild<CapsuleBar*>()->tint(), Theme::otherTint());
        QCOMPARE(strip.at(1)->findChild<CapsuleBar*>()->tint(), Theme::cursorTint());

        const QList<ModelTable*> both = tables(&page);
        QCOMPARE(both.size(), 2);
        QCOMPARE(PageProbe::visibleTexts(both.at(0)),
                 (QStringList{u"Cursor 模型"_s, u"6050万"_s, u"预估 $7.24"_s, u"auto"_s, u"3820万"_s,
                              u"无标价"_s, u"Composer 2.5"_s, u"2150万"_s, u"预估 $7.24"_s, u"small"_s,
                              u"80万"_s, u"无标价"_s}));
        QCOMPARE(PageProbe::visibleTexts(both.at(1)),
                 (QStringList{u"其他模型"_s, u"8500万"_s, u"预估 $87.6"_s, u"4.5 sonnet"_s, u"6340万"_s,
                              u"预估 $73.0"_s, u"gpt 5 codex"_s, u"980万"_s, u"无标价"_s, u"Grok 4.6 fast"_s,
                              u"610万"_s, u"预估 $7.55"_s, u"Sand 1"_s, u"330万"_s, u"无标价"_s,
                              u"Opus 4.8"_s, u"240万"_s, u"预估 $7.05"_s}));
        // Table bars are shares of the table's own sum.
        QCOMPARE(barFractions(both.at(0)), (QList<double>{38.2e6 / 60.5e6, 21.5e6 / 60.5e6, 0.8e6 / 60.5e6}));

        PageProbe::showAt(&page, 720, 900);
        const CapsuleBar* bar = both.at(0)->findChild<CapsuleBar*>();
        QCOMPARE(bar->height(), 4);
        QCOMPARE(bar->fillWidth(), bar->width() * 38.2e6 / 60.5e6);
        QCOMPARE(strip.at(1)->findChild<CapsuleBar*>()->height(), 3);

        PageProbe::saveScreenshot(&page, 720, u"models"_s);
        PageProbe::saveScreenshot(&page, 640, u"models-stacked"_s);
    }

    void stripShowsFiveOfSeven()
    {
        UsageSnapshot s = Snapshots::bare();
        for (int i = 1; i <= 6; ++i)
            s.models.append(Snapshots::row(u"cursor-m%1"_s.arg(i), i * 1e4));
        s.models.append(Snapshots::row(u"claude-4.5-sonnet"_s, 1e6)); // the largest, seventh
        ModelsPage page;
        page.setSnapshot(s);

        const QList<ModelTile*> strip = tiles(&page);
        QCOMPARE(strip.size(), 5);
        QCOMPARE(PageProbe::visibleTexts(strip.at(4)).constFirst(), u"m5"_s);
        // Shares against the largest row of all seven, not of the five shown.
        QCOMPARE(strip.at(0)->findChild<CapsuleBar*>()->fraction(), 0.01);
        QCOMPARE(ModelsPage::maxToken(s), 1e6);

        const QList<ModelTable*> both = tables(&page);
        QCOMPARE(both.at(0)->findChildren<CapsuleBar*>().size(), 6);
        QCOMPARE(both.at(1)->findChildren<CapsuleBar*>().size(), 1);
        QCOMPARE(PageProbe::visibleTexts(both.at(1)),
                 (QStringList{u"其他模型"_s, u"100万"_s, u"预估 $3.00"_s, u"4.5 sonnet"_s, u"100万"_s,
                              u"预估 $3.00"_s}));
        PageProbe::saveScreenshot(&page, 720, u"models-seven"_s);
    }

    void tablePricing()
    {
        UsageSnapshot s = Snapshots::bare();
        s.models = {
            Snapshots::row(u"auto"_s, 5e5),
            Snapshots::row(u"claude-4.5-sonnet"_s, 1e6, 1e6), // $3 + $15
            Snapshots::row(u"gpt-5"_s, 1e6, 1e6),             // unknown to the built-in table
            Snapshots::row(u"sand-x"_s, 2e6),                 // never priced
            Snapshots::row(u"default"_s, 1e6),                // never priced
        };
        ModelsPage page;
        page.setSnapshot(s);
        QCOMPARE(sourceTexts(page),
                 (QStringList{u"Cursor"_s, u"50万"_s, u"无标价"_s, u"Grok 机器人"_s, u"200万"_s, u"无标价"_s,
                              u"其他模型"_s, u"500万"_s, u"预估 $18.0"_s}));
        QCOMPARE(PageProbe::visibleTexts(tables(&page).at(0)),
                 (QStringList{u"Cursor 模型"_s, u"50万"_s, u"无标价"_s, u"auto"_s, u"50万"_s, u"无标价"_s}));
        // One priced row of four: the header shows that row's cost alone.
        QCOMPARE(PageProbe::visibleTexts(tables(&page).at(1)),
                 (QStringList{u"其他模型"_s, u"700万"_s, u"预估 $18.0"_s, u"4.5 sonnet"_s, u"200万"_s,
                              u"预估 $18.0"_s, u"gpt 5"_s, u"200万"_s, u"无标价"_s, u"Sand x"_s, u"200万"_s,
                              u"无标价"_s, u"default"_s, u"100万"_s, u"无标价"_s}));
        PageProbe::saveScreenshot(&page, 720, u"models-unpriced"_s);

        // A stored catalog prices what the built-in table does not, at the next redraw; the
        // never-priced rows stay unpriced whatever the catalog says.
        storeCatalog({{u"gpt-5"_s, false, 2, 0, 0, 10, false}, {u"sand"_s, false, 1, 0, 0, 1, false}});
        page.setSnapshot(s);
        QCOMPARE(PageProbe::visibleTexts(tables(&page).at(1)),
                 (QStringList{u"其他模型"_s, u"700万"_s, u"预估 $30.0"_s, u"4.5 sonnet"_s, u"200万"_s,
                              u"预估 $18.0"_s, u"gpt 5"_s, u"200万"_s, u"预估 $12.0"_s, u"Sand x"_s,
                              u"200万"_s, u"无标价"_s, u"default"_s, u"100万"_s, u"无标价"_s}));
        QCOMPARE(sourceTexts(page),
                 (QStringList{u"Cursor"_s, u"50万"_s, u"无标价"_s, u"Grok 机器人"_s, u"200万"_s, u"无标价"_s,
                              u"其他模型"_s, u"500万"_s, u"预估 $30.0"_s}));
    }

    void cursorModelsOnly()
    {
        UsageSnapshot s = Snapshots::bare();
        s.models = {Snapshots::row(u"composer-2.5"_s, 1e6), Snapshots::row(u"auto"_s, 3e5)};
        ModelsPage page;
        page.setSnapshot(s);
        QCOMPARE(PageProbe::visibleTexts(tables(&page).at(1)),
                 (QStringList{u"其他模型"_s, u"0"_s, u"无标价"_s, u"无"_s}));
        QVERIFY(tables(&page).at(1)->findChildren<CapsuleBar*>().isEmpty());
    }

    void absurdRows()
    {
        UsageSnapshot s = Snapshots::bare();
        s.models = {Snapshots::row(u"claude-"_s, 0), Snapshots::row(u"cursor-"_s, 0),
                    Snapshots::row(u"grok-4.6"_s, 0), Snapshots::row(u""_s, 0)};
        ModelsPage page;
        page.setSnapshot(s);
        PageProbe::showAt(&page, 720, 700);

        // Zero tokens everywhere: every bar is empty, and priced models cost $0.00.
        for (const CapsuleBar* bar : page.findChildren<CapsuleBar*>())
            QCOMPARE(bar->fillWidth(), 0.0);
        QCOMPARE(ModelsPage::maxToken(s), 0.0);
        QCOMPARE(PageProbe::visibleTexts(tables(&page).at(1)),
                 (QStringList{u"其他模型"_s, u"0"_s, u"预估 $0.00"_s, QString(), u"0"_s, u"无标价"_s,
                              u"Grok 4.6"_s, u"0"_s, u"预估 $0.00"_s, QString(), u"0"_s, u"无标价"_s}));
        QCOMPARE(PageProbe::visibleTexts(tables(&page).at(0)),
                 (QStringList{u"Cursor 模型"_s, u"0"_s, u"无标价"_s, QString(), u"0"_s, u"无标价"_s}));
        QCOMPARE(tiles(&page).size(), 4);
        PageProbe::saveScreenshot(&page, 720, u"models-absurd"_s);
    }

    void tablesSideBySideFrom660_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("wide");
        QTest::newRow("659") << 659 << false;
        QTest::newRow("660") << 660 << true;
    }

    void tablesSideBySideFrom660()
    {
        QFETCH(int, width);
        QFETCH(bool, wide);
        ModelsPage page;
        page.setSnapshot(Snapshots::realistic());
        PageProbe::showAt(&page, width, 900);
        QCOMPARE(page.isWide(), wide);

        const QRect cursor = PageProbe::geometryIn(tables(&page).at(0), &page);
        const QRect other = PageProbe::geometryIn(tables(&page).at(1), &page);
        const int inner = width - 2 * PageScroll::sidePadding;
        QCOMPARE(cursor.left(), PageScroll::sidePadding);
        if (wide) {
            QCOMPARE(other.top(), cursor.top());
            QCOMPARE(other.left(), cursor.right() + 1 + 14);
            QVERIFY(qAbs(cursor.width() - other.width()) <= 1);
            QCOMPARE(other.right(), cursor.left() + inner - 1);
            // Top-aligned, each as tall as its own rows.
            QVERIFY(cursor.height() < other.height());
        } else {
            QCOMPARE(cursor.width(), inner);
            QCOMPARE(other.width(), inner);
            QCOMPARE(other.top(), cursor.bottom() + 1 + 14);
        }
        // The five tiles share the strip's width equally.
        const QList<ModelTile*> strip = tiles(&page);
        for (const ModelTile* tile : strip)
            QVERIFY(qAbs(tile->width() - strip.constFirst()->width()) <= 1);
        QCOMPARE(PageProbe::geometryIn(strip.constLast(), &page).right(),
                 PageScroll::sidePadding + inner - 1);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

TALLYFERN_REGISTER_TEST(TestModelsPage);
#include "TestModelsPage.moc"
