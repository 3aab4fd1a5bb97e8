#include "PageTest.h"
#include "TestRegistry.h"

#include "app/views/CapsuleBar.h"
#include "app/views/FitLabel.h"
#include "app/views/MetricCell.h"
#include "app/views/ModelTile.h"
#include "app/views/ModelsPage.h"
#include "app/views/OverviewPage.h"
#include "app/views/PlanBadge.h"
#include "app/views/QuotaCard.h"
#include "app/views/UsageRing.h"
#include "model/ChineseFonts.h"

#include <QAccessible>
#include <QRawFont>
#include <QTextLayout>

using namespace PageTesting;

namespace {

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

// The pieces the pages are drawn with: the text's glyphs, the ring, the fitted labels, and what the
// painted controls read aloud.
class TestViewPieces : public PageTest
{
    Q_OBJECT

private Q_SLOTS:
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
            QVERIFY2(ChineseFonts::families().contains(run.rawFont().familyName()),
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
};

TALLYFERN_REGISTER_TEST(TestViewPieces);
#include "TestViewPieces.moc"
