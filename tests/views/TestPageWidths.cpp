#include "PageTest.h"
#include "TestRegistry.h"

#include "app/views/FitLabel.h"
#include "app/views/ModelTile.h"
#include "app/views/ModelsPage.h"
#include "app/views/OverviewPage.h"
#include "app/views/PlanBadge.h"
#include "app/views/QuotaCard.h"
#include "app/views/RemainingCard.h"
#include "app/views/TokenPanel.h"
#include "app/views/UsageRing.h"
#include "platform/Clock.h"

using namespace PageTesting;

// How the overview and models pages arrange their cards and tables at each window width.
class TestPageWidths : public PageTest
{
    Q_OBJECT

private Q_SLOTS:
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
                if (plan == u"enterprise"_s || (plan == tooLong && width == 640))
                    saveScreenshot(
                        &overview, width,
                        u"overview-%1-%2"_s.arg(plan == tooLong ? u"long-plan"_s : plan).arg(width));
            }
        }
        // The longest pace line, Cursor's with a two-digit month and day, and the used-up line keep
        // whole inside the card, between the cycle's end and the legend, at every width: beside the
        // token panel (a short plan name at 800) too.
        Clock::setSource([] { return *Timestamp::parseInternetDateTime(u"2025-12-20T04:00:00Z"_s); });
        UsageSnapshot late = realistic();
        late.billingCycleStart = u"2025-12-01T00:00:00Z"_s;
        late.billingCycleEnd = u"2025-12-31T00:00:00Z"_s;
        late.otherModelsPercent = 10;
        for (const auto& [used, line] : {std::pair{68, u"按当前速度，Cursor 模型额度约在 12月29日 用完"_s},
                                         std::pair{100, u"Cursor 模型额度已用完"_s}}) {
            late.cursorModelsPercent = used;
            for (const QString& plan : {u"pro"_s, u"enterprise"_s}) {
                late.planName = plan;
                for (const int width : {640, 660, 720, 800}) {
                    OverviewPage overview;
                    overview.setSnapshot(late);
                    showAt(&overview, width, 900);
                    const auto* remaining = overview.findChild<RemainingCard*>();
                    const auto* pace = qobject_cast<const FitLabel*>(remaining->paceLine());
                    QVERIFY(pace);
                    // Whole: its lines (which drop the spaces they break at) make up the text.
                    QCOMPARE(pace->shownLines().join(QString()).remove(u' '), QString(line).remove(u' '));
                    QCOMPARE(pace->shownFont().pointSizeF(), pace->font().pointSizeF());
                    QVERIFY(remaining->rect().contains(geometryIn(pace, remaining)));
                    QCOMPARE(textsOf<RemainingCard>(&overview).section(u'|', 9, 10),
                             line + u"|左对齐 Cursor 模型，右对齐收费的其他模型"_s);
                    if (used == 68)
                        saveScreenshot(&overview, width, u"overview-pace-%1-%2"_s.arg(plan).arg(width));
                }
            }
        }
    }
};

TALLYFERN_REGISTER_TEST(TestPageWidths);
#include "TestPageWidths.moc"
