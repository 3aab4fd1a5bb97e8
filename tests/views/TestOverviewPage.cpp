#include "PageProbe.h"
#include "Snapshots.h"
#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "app/views/CapsuleBar.h"
#include "app/views/OverviewPage.h"
#include "app/views/PageScroll.h"
#include "app/views/PlanBadge.h"
#include "app/views/QuotaCard.h"
#include "app/views/RemainingCard.h"
#include "app/views/Theme.h"
#include "app/views/TokenPanel.h"
#include "app/views/UsageRing.h"

#include <QScrollBar>
#include <QtTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QString pricingFootnote = u"预估按官方标价，套餐内可能 $0。"_s;

QStringList textsOf(const QWidget* page, const QString& part)
{
    if (part == "remaining"_L1)
        return PageProbe::visibleTexts(page->findChild<RemainingCard*>());
    if (part == "tokens"_L1)
        return PageProbe::visibleTexts(page->findChild<TokenPanel*>());
    return PageProbe::visibleTexts(page->findChild<QuotaCard*>());
}

QList<UsageRing*> rings(const QWidget* page)
{
    return page->findChildren<UsageRing*>();
}

QList<CapsuleBar*> quotaBars(const QWidget* page)
{
    return page->findChild<QuotaCard*>()->findChildren<CapsuleBar*>();
}

} // namespace

class TestOverviewPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // A fresh support folder per test: no stored pricing catalog, so prices come from the
        // built-in table; the clock is pinned so that day counts are stable.
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(QString::fromLatin1(Snapshots::now));
    }
    void cleanup() { m_env.reset(); }

    void withoutData()
    {
        OverviewPage page;
        page.setPricingLabel(u"标价用内置表"_s);
        QCOMPARE(PageProbe::visibleTexts(&page), (QStringList{u"—"_s,
                                                              u"剩余"_s,
                                                              u"Cursor 模型"_s,
                                                              u"—"_s,
                                                              u"剩余"_s,
                                                              u"高级模型"_s,
                                                              u"未连接"_s,
                                                              u"还没有用量数据"_s,
                                                              u"到设置页粘贴 Cookie 后即可在本机刷新"_s,
                                                              u"总计"_s,
                                                              u"—"_s,
                                                              u"套餐内"_s,
                                                              u"—"_s,
                                                              u"按需"_s,
                                                              u"—"_s,
                                                              u"Cursor 消耗"_s,
                                                              u"—"_s,
                                                              u"其他模型消耗"_s,
                                                              u"—"_s,
                                                              pricingFootnote + u"标价用内置表"_s,
                                                              u"Cursor 模型"_s,
                                                              u"未返回"_s,
                                                              u"其他模型"_s,
                                                              u"未返回"_s,
                                                              u"Grok 机器人"_s,
                                                              u"周重置时间未返回"_s,
                                                              u"未返回"_s}));
        for (const UsageRing* ring : rings(&page))
            QCOMPARE(ring->arcFraction(), 0.0);
        QVERIFY(!page.findChild<PlanBadge*>()->isConnected());
        PageProbe::saveScreenshot(&page, 720, u"overview-no-data"_s);

        // The quota card still shows what is stored, and the percents stay out of the rings.
        UsageSnapshot stored = UsageSnapshot::empty();
        stored.cursorModelsPercent = 40;
        stored.otherModelsPercent = 10;
        stored.monthlyLimit = 20;
        stored.models = Snapshots::realistic().models;
        page.setSnapshot(stored);
        QCOMPARE(textsOf(&page, u"quota"_s),
                 (QStringList{u"Cursor 模型"_s, u"已用 40%"_s, u"其他模型"_s, u"含至少 $20 API"_s,
                              u"已用 10%"_s, u"Grok 机器人"_s, u"周重置时间未返回"_s, u"未返回"_s}));
        QCOMPARE(rings(&page).at(0)->figure(), u"—"_s);
        QCOMPARE(rings(&page).at(1)->figure(), u"—"_s);
        QCOMPARE(textsOf(&page, u"tokens"_s).count(u"—"_s), 5);
    }

    void realisticAccount()
    {
        OverviewPage page;
        page.setSnapshot(Snapshots::realistic());
        page.setPricingLabel(u"标价已同步 6月1日"_s);
        QCOMPARE(PageProbe::visibleTexts(&page), (QStringList{u"72%"_s,
                                                              u"剩余"_s,
                                                              u"Cursor 模型"_s,
                                                              u"36%"_s,
                                                              u"剩余"_s,
                                                              u"高级模型"_s,
                                                              u"Pro"_s,
                                                              u"还剩 12 天"_s,
                                                              u"账期到 6月14日"_s,
                                                              u"左对齐 Cursor 模型，右对齐收费的其他模型"_s,
                                                              u"总计"_s,
                                                              u"1.46亿"_s,
                                                              u"套餐内"_s,
                                                              u"1.19亿"_s,
                                                              u"按需"_s,
                                                              u"2619万"_s,
                                                              u"Cursor 消耗"_s,
                                                              u"预估 $7.24"_s,
                                                              u"6050万"_s,
                                                              u"其他模型消耗"_s,
                                                              u"预估 $87.6"_s,
                                                              u"8170万"_s,
                                                              pricingFootnote + u"标价已同步 6月1日"_s,
                                                              u"Cursor 模型"_s,
                                                              u"已用 28%"_s,
                                                              u"其他模型"_s,
                                                              u"含至少 $20 API"_s,
                                                              u"已用 64%"_s,
                                                              u"Grok 机器人"_s,
                                                              u"重置 6月5日（还剩 3 天）"_s,
                                                              u"已用 35%"_s}));
        const QList<UsageRing*> shown = rings(&page);
        QCOMPARE(shown.at(0)->tint(), Theme::cursorTint());
        QCOMPARE(shown.at(0)->arcFraction(), 0.72);
        QCOMPARE(shown.at(1)->tint(), Theme::otherTint());
        QCOMPARE(shown.at(1)->arcFraction(), 0.36);
        QVERIFY(page.findChild<PlanBadge*>()->isConnected());

        const QList<CapsuleBar*> bars = quotaBars(&page);
        QCOMPARE(bars.size(), 3);
        QCOMPARE(bars.at(0)->tint(), Theme::cursorTint());
        QCOMPARE(bars.at(1)->tint(), Theme::otherTint());
        QCOMPARE(bars.at(2)->tint(), Theme::grokTint());
        QCOMPARE(Theme::grokTint().alphaF(), 0.9f);

        PageProbe::saveScreenshot(&page, 720, u"overview"_s);
        PageProbe::saveScreenshot(&page, 640, u"overview-stacked"_s);
        PageProbe::saveScreenshot(&page, 960, u"overview-wide"_s);
    }

    void planAndCycle_data()
    {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("cycleEnd");
        QTest::addColumn<QStringList>("texts");
        const QString legend = u"左对齐 Cursor 模型，右对齐收费的其他模型"_s;
        QTest::newRow("blank plan") << u" \n\t "_s << u"2025-06-14T08:00:00Z"_s
                                    << QStringList{u"个人"_s, u"还剩 12 天"_s, u"账期到 6月14日"_s, legend};
        QTest::newRow("padded plan") << u"  Ultra\n"_s << u"2025-06-02T15:00:00Z"_s
                                     << QStringList{u"Ultra"_s, u"还剩 0 天"_s, u"账期到 6月2日"_s, legend};
        QTest::newRow("no cycle end")
            << u"Pro"_s << QString() << QStringList{u"Pro"_s, u"本月账期"_s, legend};
        QTest::newRow("unparsable cycle end")
            << u"Pro"_s << u"next month"_s << QStringList{u"Pro"_s, u"本月账期"_s, legend};
        QTest::newRow("bare date") << u"Pro"_s << u"2025-06-14"_s
                                   << QStringList{u"Pro"_s, u"本月账期"_s, legend};
        QTest::newRow("past cycle end") << u"Pro"_s << u"2025-05-01T00:00:00Z"_s
                                        << QStringList{u"Pro"_s, u"还剩 0 天"_s, u"账期到 5月1日"_s, legend};
    }

    void planAndCycle()
    {
        QFETCH(QString, plan);
        QFETCH(QString, cycleEnd);
        QFETCH(QStringList, texts);
        UsageSnapshot s = Snapshots::realistic();
        s.planName = plan;
        s.billingCycleEnd = cycleEnd;
        OverviewPage page;
        page.setSnapshot(s);
        QCOMPARE(textsOf(&page, u"remaining"_s).mid(6), texts);
    }

    void percents_data()
    {
        QTest::addColumn<std::optional<qint64>>("cursorPercent");
        QTest::addColumn<std::optional<qint64>>("otherPercent");
        QTest::addColumn<qint64>("includedPercent");
        QTest::addColumn<double>("monthlyLimit");
        QTest::addColumn<QStringList>("figures");  // the two rings
        QTest::addColumn<QStringList>("used");     // the three quota rows
        QTest::addColumn<QList<double>>("filled"); // the three bars, as fractions
        const std::optional<qint64> none;
        QTest::newRow("absent, nothing included")
            << none << none << qint64(0) << 0.0 << QStringList{u"0%"_s, u"—"_s}
            << QStringList{u"未返回"_s, u"未返回"_s, u"未返回"_s} << QList<double>{0, 0, 0};
        QTest::newRow("absent, included 35")
            << none << none << qint64(35) << 0.0 << QStringList{u"65%"_s, u"—"_s}
            << QStringList{u"未返回"_s, u"未返回"_s, u"未返回"_s} << QList<double>{0, 0, 0};
        QTest::newRow("over the top")
            << std::optional<qint64>(130) << std::optional<qint64>(120) << qint64(0) << 20.0
            << QStringList{u"0%"_s, u"0%"_s} << QStringList{u"已用 130%"_s, u"已用 120%"_s, u"已用 35%"_s}
            << QList<double>{1, 1, 0.35};
        QTest::newRow("negative") << std::optional<qint64>(-20) << std::optional<qint64>(-20) << qint64(0)
                                  << 20.0 << QStringList{u"100%"_s, u"100%"_s}
                                  << QStringList{u"已用 -20%"_s, u"已用 -20%"_s, u"已用 35%"_s}
                                  << QList<double>{0, 0, 0.35};
        QTest::newRow("zero") << std::optional<qint64>(0) << std::optional<qint64>(0) << qint64(0) << 20.0
                              << QStringList{u"100%"_s, u"100%"_s}
                              << QStringList{u"已用 0%"_s, u"已用 0%"_s, u"已用 35%"_s}
                              << QList<double>{0, 0, 0.35};
        QTest::newRow("extremes") << std::optional<qint64>(std::numeric_limits<qint64>::max())
                                  << std::optional<qint64>(std::numeric_limits<qint64>::min()) << qint64(0)
                                  << 20.0 << QStringList{u"0%"_s, u"100%"_s}
                                  << QStringList{u"已用 9223372036854775807%"_s,
                                                 u"已用 -9223372036854775808%"_s, u"已用 35%"_s}
                                  << QList<double>{1, 0, 0.35};
    }

    void percents()
    {
        QFETCH(std::optional<qint64>, cursorPercent);
        QFETCH(std::optional<qint64>, otherPercent);
        QFETCH(qint64, includedPercent);
        QFETCH(double, monthlyLimit);
        QFETCH(QStringList, figures);
        QFETCH(QStringList, used);
        QFETCH(QList<double>, filled);

        UsageSnapshot s = Snapshots::realistic();
        s.cursorModelsPercent = cursorPercent;
        s.otherModelsPercent = otherPercent;
        s.includedPercent = includedPercent;
        s.monthlyLimit = monthlyLimit;
        if (!cursorPercent && !otherPercent)
            s.grokWeeklyPercent = std::nullopt;
        OverviewPage page;
        page.setSnapshot(s);
        PageProbe::showAt(&page, 720, 700);

        const QList<UsageRing*> shown = rings(&page);
        QCOMPARE((QStringList{shown.at(0)->figure(), shown.at(1)->figure()}), figures);
        // An arc never shows more than its figure says.
        for (const UsageRing* ring : shown)
            QCOMPARE(ring->arcFraction(),
                     ring->figure() == u"—"_s ? 0.0 : ring->figure().chopped(1).toDouble() / 100);

        const QStringList texts = textsOf(&page, u"quota"_s);
        QStringList usedTexts;
        for (const QString& text : texts) {
            if (text.startsWith(u"已用"_s) || text == u"未返回"_s)
                usedTexts.append(text);
        }
        QCOMPARE(usedTexts, used);

        const QList<CapsuleBar*> bars = quotaBars(&page);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(bars.at(i)->width() > 500);
            QCOMPARE(bars.at(i)->fillWidth(), bars.at(i)->width() * filled.at(i));
        }
    }

    void includedApiFootnote_data()
    {
        QTest::addColumn<double>("limit");
        QTest::addColumn<QString>("footnote");
        QTest::newRow("20.9") << 20.9 << u"含至少 $20 API"_s;
        QTest::newRow("400") << 400.0 << u"含至少 $400 API"_s;
        QTest::newRow("0.5") << 0.5 << u"含至少 $0 API"_s;
        QTest::newRow("0") << 0.0 << QString();
        QTest::newRow("negative") << -5.0 << QString();
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QString();
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QString();
        QTest::newRow("beyond 64 bits") << 1e300 << QString();
    }

    void includedApiFootnote()
    {
        QFETCH(double, limit);
        QFETCH(QString, footnote);
        UsageSnapshot s = Snapshots::realistic();
        s.monthlyLimit = limit;
        OverviewPage page;
        page.setSnapshot(s);
        const QStringList texts = textsOf(&page, u"quota"_s);
        const QStringList expected = footnote.isEmpty() ? QStringList{u"其他模型"_s, u"已用 64%"_s}
                                                        : QStringList{u"其他模型"_s, footnote, u"已用 64%"_s};
        QCOMPARE(texts.mid(2, expected.size()), expected);
    }

    void spendWithoutPrices()
    {
        // Only models the built-in table does not know: no estimate, but the tokens still show.
        UsageSnapshot s = Snapshots::bare();
        s.models = {Snapshots::row(u"auto"_s, 2e6), Snapshots::row(u"cursor-small"_s, 1e6),
                    Snapshots::row(u"gpt-5"_s, 3e4), Snapshots::row(u"default"_s, 5e4)};
        OverviewPage page;
        page.setSnapshot(s);
        QCOMPARE(textsOf(&page, u"tokens"_s),
                 (QStringList{u"总计"_s, u"0"_s, u"套餐内"_s, u"0"_s, u"按需"_s, u"0"_s, u"Cursor 消耗"_s,
                              u"无标价"_s, u"300万"_s, u"其他模型消耗"_s, u"无标价"_s, u"8万"_s}));
        // Without any figure at all the card still reads sensibly.
        QCOMPARE(textsOf(&page, u"remaining"_s),
                 (QStringList{u"0%"_s, u"剩余"_s, u"Cursor 模型"_s, u"—"_s, u"剩余"_s, u"高级模型"_s,
                              u"个人"_s, u"本月账期"_s, u"左对齐 Cursor 模型，右对齐收费的其他模型"_s}));
        PageProbe::saveScreenshot(&page, 720, u"overview-bare"_s);
    }

    void sideBySideFrom660_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("wide");
        QTest::newRow("640") << 640 << false;
        QTest::newRow("659") << 659 << false;
        QTest::newRow("660") << 660 << true;
        QTest::newRow("900") << 900 << true;
    }

    void sideBySideFrom660()
    {
        QFETCH(int, width);
        QFETCH(bool, wide);
        OverviewPage page;
        page.setSnapshot(Snapshots::realistic());
        PageProbe::showAt(&page, width, 900);
        QCOMPARE(page.isWide(), wide);

        const QRect card = PageProbe::geometryIn(page.findChild<RemainingCard*>(), &page);
        const QRect panel = PageProbe::geometryIn(page.findChild<TokenPanel*>(), &page);
        const QRect quota = PageProbe::geometryIn(page.findChild<QuotaCard*>(), &page);
        const int inner = width - 2 * PageScroll::sidePadding;
        QCOMPARE(card.left(), PageScroll::sidePadding);
        QCOMPARE(quota.width(), inner);
        if (wide) {
            QCOMPARE(panel.top(), card.top());
            QCOMPARE(panel.height(), card.height());
            QCOMPARE(panel.left(), card.right() + 1 + 14);
            QCOMPARE(panel.right(), card.left() + inner - 1);
            // Equal halves unless the ring card cannot shrink that far.
            QVERIFY(card.width() >= panel.width());
            if (width >= 720)
                QVERIFY(qAbs(card.width() - panel.width()) <= 1);
        } else {
            QCOMPARE(card.width(), inner);
            QCOMPARE(panel.width(), inner);
            QCOMPARE(panel.top(), card.bottom() + 1 + 14);
        }
        QVERIFY(quota.top() > std::max(card.bottom(), panel.bottom()) + 14);
        // Nothing is pushed off the right edge.
        for (const QWidget* child : page.findChildren<QWidget*>()) {
            if (child->isVisibleTo(&page) && child != page.scroll()->widget())
                QVERIFY2(PageProbe::geometryIn(child, &page).right() < width,
                         child->metaObject()->className());
        }
    }

    void redrawKeepsScrollPosition()
    {
        OverviewPage page;
        page.setSnapshot(Snapshots::realistic());
        PageProbe::showAt(&page, 640, 300);
        QScrollBar* bar = page.scroll()->verticalScrollBar();
        QVERIFY(bar->maximum() > 100);
        bar->setValue(100);
        UsageSnapshot next = Snapshots::realistic();
        next.cursorModelsPercent = 50;
        page.setSnapshot(next);
        // The new content shows at once, never an empty page in between.
        QVERIFY(rings(&page).at(0)->isVisible());
        PageProbe::settle();
        QCOMPARE(bar->value(), 100);
        QCOMPARE(rings(&page).at(0)->figure(), u"50%"_s);
        QCOMPARE(page.findChildren<RemainingCard*>().size(), 1);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

TALLYFERN_REGISTER_TEST(TestOverviewPage);
#include "TestOverviewPage.moc"
