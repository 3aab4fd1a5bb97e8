#include "PageProbe.h"
#include "TestRegistry.h"

#include "app/views/CapsuleBar.h"
#include "app/views/FitLabel.h"
#include "app/views/PageScroll.h"
#include "app/views/PlanBadge.h"
#include "app/views/Shapes.h"
#include "app/views/Theme.h"
#include "app/views/UsageRing.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QRawFont>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextLayout>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The colour drawn at a point of the ring's circle, `degrees` clockwise from 12 o'clock.
QColor ringColourAt(UsageRing& ring, double degrees)
{
    QImage image(ring.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    ring.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const double radius = (UsageRing::side - UsageRing::lineWidth) / 2.0;
    const double angle = degrees * M_PI / 180.0;
    const QPointF centre(UsageRing::side / 2.0, UsageRing::side / 2.0);
    const QPointF point = centre + QPointF(std::sin(angle) * radius, -std::cos(angle) * radius);
    return image.pixelColor(point.toPoint());
}

bool isTinted(const QColor& colour)
{
    // The tint is bright violet; the track is a dim grey on black.
    return colour.blue() > 200 && colour.red() > 120;
}

} // namespace

class TestPrimitives : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chineseTextUsesSimplifiedGlyphs()
    {
        const QFont font = Theme::font(Theme::TextStyle::caption);
        QCOMPARE(font.pixelSize(), 10);
        QVERIFY(font.families().contains(u"Noto Sans CJK SC"_s));

        // The shared CJK code points must come from a Simplified Chinese face, not the Japanese
        // one fontconfig picks for a C locale.
        QTextLayout layout(u"剩余高级模型，账期到"_s, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        QVERIFY(!runs.isEmpty());
        for (const QGlyphRun& run : runs) {
            const QString family = run.rawFont().familyName();
            QVERIFY2(Theme::chineseFamilies().contains(family), qPrintable(family));
        }
    }

    void ringFigureAndArc_data()
    {
        QTest::addColumn<std::optional<qint64>>("percent");
        QTest::addColumn<QString>("figure");
        QTest::addColumn<double>("fraction");
        QTest::newRow("absent") << std::optional<qint64>() << u"—"_s << 0.0;
        QTest::newRow("0") << std::optional<qint64>(0) << u"0%"_s << 0.0;
        QTest::newRow("72") << std::optional<qint64>(72) << u"72%"_s << 0.72;
        QTest::newRow("100") << std::optional<qint64>(100) << u"100%"_s << 1.0;
        QTest::newRow("130 never more than a turn") << std::optional<qint64>(130) << u"130%"_s << 1.0;
        QTest::newRow("-20 never backwards") << std::optional<qint64>(-20) << u"-20%"_s << 0.0;
    }

    void ringFigureAndArc()
    {
        QFETCH(std::optional<qint64>, percent);
        QFETCH(QString, figure);
        QFETCH(double, fraction);
        UsageRing ring(percent, u"剩余"_s, u"Cursor 模型"_s, Theme::otherTint());
        QCOMPARE(ring.size(), QSize(104, 104));
        QCOMPARE(PageProbe::visibleTexts(&ring), (QStringList{figure, u"剩余"_s, u"Cursor 模型"_s}));
        QCOMPARE(ring.arcFraction(), fraction);
    }

    void ringGrowsClockwiseFromTwelve()
    {
        UsageRing quarter(25, u"剩余"_s, u"高级模型"_s, Theme::otherTint());
        QVERIFY(isTinted(ringColourAt(quarter, 10)));
        QVERIFY(isTinted(ringColourAt(quarter, 60)));
        QVERIFY(!isTinted(ringColourAt(quarter, 180)));
        QVERIFY(!isTinted(ringColourAt(quarter, 300)));

        UsageRing none(std::nullopt, u"剩余"_s, u"高级模型"_s, Theme::otherTint());
        QVERIFY(!isTinted(ringColourAt(none, 10)));
    }

    void ringFigureShrinksToFit()
    {
        UsageRing ring(std::numeric_limits<qint64>::min(), u"剩余"_s, u"Cursor 模型"_s, Theme::cursorTint());
        PageProbe::showAt(&ring, 104, 104);
        auto* figure = ring.findChild<FitLabel*>();
        QVERIFY(figure);
        QCOMPARE(figure->text(), u"-9223372036854775808%"_s);
        // Shrunk to 70 % at most, then cut: never drawn outside the ring's hole.
        QCOMPARE(figure->shownFont().pixelSize(), 20);
        QVERIFY(figure->shownLines().constFirst().endsWith(u'…'));
        QVERIFY(figure->geometry().right() < UsageRing::side - UsageRing::lineWidth);
    }

    void shareBarFraction_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("total");
        QTest::addColumn<double>("fraction");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        QTest::newRow("half") << 50.0 << 100.0 << 0.5;
        QTest::newRow("capped") << 150.0 << 100.0 << 1.0;
        QTest::newRow("zero total") << 5.0 << 0.0 << 0.0;
        QTest::newRow("negative total") << 5.0 << -1.0 << 0.0;
        QTest::newRow("zero of zero") << 0.0 << 0.0 << 0.0;
        QTest::newRow("negative value") << -5.0 << 100.0 << 0.0;
        QTest::newRow("not a number") << nan << 100.0 << 0.0;
        QTest::newRow("infinite total") << 5.0 << infinity << 0.0;
        QTest::newRow("infinite both") << infinity << infinity << 0.0;
    }

    void shareBarFraction()
    {
        QFETCH(double, value);
        QFETCH(double, total);
        QFETCH(double, fraction);
        QCOMPARE(ShareBar::fraction(value, total), fraction);

        QWidget holder;
        auto* layout = new QHBoxLayout(&holder);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* bar = new ShareBar(value, total, Theme::cursorTint(), 4, &holder);
        layout->addWidget(bar);
        PageProbe::showAt(&holder, 200, 4);
        QCOMPARE(bar->width(), 200);
        QCOMPARE(bar->height(), 4);
        QCOMPARE(bar->fillWidth(), 200 * fraction);
    }

    void fitLabelShrinksThenCuts()
    {
        const QFont font = Theme::font(Theme::TextStyle::caption2, QFont::Medium);
        FitLabel name(u"Grok code fast 1"_s, font);
        name.setMaximumLines(2);
        name.setMinimumScale(0.8);

        // Room for one line: nothing changes.
        PageProbe::showAt(&name, 400, 40);
        QCOMPARE(name.shownLines(), QStringList{u"Grok code fast 1"_s});
        QCOMPARE(name.shownFont().pixelSize(), 10);

        // Two lines, broken at a space rather than inside a word.
        const int wide = QFontMetrics(font).horizontalAdvance(u"Grok code fast"_s) + 1;
        QCOMPARE(name.heightForWidth(wide), 2 * QFontMetrics(font).height());
        name.resize(wide, name.heightForWidth(wide));
        QCOMPARE(name.shownLines(), (QStringList{u"Grok code fast"_s, u"1"_s}));

        // Too long for two lines even at 80 %: the second line ends in an ellipsis.
        FitLabel longName(u"an extremely long model name that cannot fit anywhere"_s, font);
        longName.setMaximumLines(2);
        longName.setMinimumScale(0.8);
        PageProbe::showAt(&longName, 60, 40);
        QCOMPARE(longName.shownFont().pixelSize(), 8);
        QCOMPARE(longName.shownLines().size(), 2);
        QVERIFY(longName.shownLines().constLast().endsWith(u'…'));
        QCOMPARE(longName.text(), u"an extremely long model name that cannot fit anywhere"_s);
    }

    void wrappingKeepsDatesWhole()
    {
        const QFont font = Theme::font(Theme::TextStyle::title3, QFont::DemiBold);
        FitLabel cycle(u"账期到 6月14日"_s, font);
        cycle.setMaximumLines(0);
        const int width = QFontMetrics(font).horizontalAdvance(u"6月14日"_s) + 4;
        PageProbe::showAt(&cycle, width, 80);
        QCOMPARE(cycle.shownLines(), (QStringList{u"账期到"_s, u"6月14日"_s}));

        // A Chinese run longer than a line fills the line before it breaks.
        FitLabel legend(u"左对齐 Cursor 模型，右对齐收费的其他模型"_s,
                        Theme::font(Theme::TextStyle::caption));
        legend.setMaximumLines(0);
        PageProbe::showAt(&legend, 90, 80);
        const QStringList lines = legend.shownLines();
        QCOMPARE(lines.join(QString()).remove(u' '), u"左对齐Cursor模型，右对齐收费的其他模型"_s);
        for (const QString& line : lines)
            QVERIFY(QFontMetrics(legend.font()).horizontalAdvance(line) <= 90);
        QCOMPARE(lines.constFirst(), u"左对齐 Cursor"_s);

        // A phrase broken between characters leaves no single character on its last line.
        const QFont title = Theme::font(Theme::TextStyle::title3);
        FitLabel empty(u"还没有用量数据"_s, title);
        empty.setMaximumLines(0);
        PageProbe::showAt(&empty, QFontMetrics(title).horizontalAdvance(u"还没有"_s) + 1, 80);
        QCOMPARE(empty.shownLines(), (QStringList{u"还没有"_s, u"用量"_s, u"数据"_s}));
    }

    void planBadgeKeepsItsSize()
    {
        QWidget holder;
        auto* layout = new QHBoxLayout(&holder);
        auto* badge = new PlanBadge(u"Ultra Enterprise"_s, true, &holder);
        layout->addWidget(badge);
        layout->addWidget(new QWidget(&holder), 1);
        PageProbe::showAt(&holder, 40, 30);
        QCOMPARE(badge->size(), badge->sizeHint());
        QCOMPARE(badge->fill(), Theme::cursorTint());
        QCOMPARE(PlanBadge(u"未连接"_s, false).fill(), Theme::white(0.18));
    }

    void pageScrollMeasuresTheWholeWidth()
    {
        PageScroll scroll;
        auto* page = new QWidget;
        page->setMinimumHeight(1000);
        scroll.setPage(page);
        QSignalSpy changes(&scroll, &PageScroll::wideChanged);

        PageProbe::showAt(&scroll, 659, 300);
        QVERIFY(!scroll.isWide());
        // The page fills the width less 22 on each side; the indicator floats over the padding.
        QCOMPARE(PageProbe::geometryIn(page, &scroll), QRect(22, 0, 659 - 44, 1000));
        QVERIFY(scroll.indicator()->isVisible());
        QVERIFY(scroll.indicator()->geometry().left() >= 659 - 22);

        PageProbe::showAt(&scroll, 660, 300);
        QVERIFY(scroll.isWide());
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.constLast().constFirst().toBool(), true);

        // Scrolling through the indicator moves the page; a new page keeps the position.
        scroll.indicator()->setValue(200);
        QCOMPARE(scroll.verticalScrollBar()->value(), 200);
        auto* next = new QWidget;
        next->setMinimumHeight(1000);
        scroll.setPage(next);
        PageProbe::settle();
        QCOMPARE(scroll.verticalScrollBar()->value(), 200);
        QCOMPARE(PageProbe::geometryIn(next, &scroll).top(), -200);

        // Nothing to scroll: no indicator.
        next->setMinimumHeight(100);
        PageProbe::settle();
        QVERIFY(!scroll.indicator()->isVisible());
    }

    void continuousCornersStayInside()
    {
        const QRectF card(0, 0, 300, 120);
        const QPainterPath path = Shapes::continuousRoundedRect(card, 22);
        QCOMPARE(path.boundingRect(), card);
        QVERIFY(path.contains(card.center()));
        QVERIFY(!path.contains(QPointF(1, 1)));
        // A radius too big for the rectangle shrinks instead of overshooting.
        QCOMPARE(Shapes::continuousRoundedRect(QRectF(0, 0, 20, 8), 18).boundingRect(), QRectF(0, 0, 20, 8));
        QVERIFY(Shapes::continuousRoundedRect(QRectF(), 10).isEmpty());
    }

    void cardFillMatchesItsOutline_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<qreal>("radius");
        QTest::newRow("card") << QRect(3, 5, 300, 420) << qreal(18);
        QTest::newRow("cell") << QRect(0, 0, 120, 46) << qreal(10);
        QTest::newRow("too small for the cells") << QRect(1, 1, 30, 12) << qreal(22);
    }

    void cardFillMatchesItsOutline()
    {
        // The fast fill (plain rectangles plus curved corners) must draw exactly the outline's
        // shape: no seams, no double-blended overlaps with a translucent fill.
        QFETCH(QRect, rect);
        QFETCH(qreal, radius);
        const QColor fill = Theme::white(0.05);
        QImage fast(rect.bottomRight().x() + 4, rect.bottomRight().y() + 4,
                    QImage::Format_ARGB32_Premultiplied);
        QImage exact = fast;
        fast.fill(Theme::boardBackground());
        exact.fill(Theme::boardBackground());
        {
            QPainter painter(&fast);
            painter.setRenderHint(QPainter::Antialiasing);
            Shapes::fillContinuousRoundedRect(painter, rect, radius, fill);
        }
        {
            QPainter painter(&exact);
            painter.setRenderHint(QPainter::Antialiasing);
            Shapes::fill(painter, Shapes::continuousRoundedRect(rect, radius), fill);
        }
        int worst = 0;
        for (int y = 0; y < fast.height(); ++y) {
            for (int x = 0; x < fast.width(); ++x) {
                const QRgb a = fast.pixel(x, y);
                const QRgb b = exact.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        }
        QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));
    }
};

TALLYFERN_REGISTER_TEST(TestPrimitives);
#include "TestPrimitives.moc"
