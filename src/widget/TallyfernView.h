#pragma once

#include "UsageEntry.h"
#include "WidgetFamily.h"
#include "WidgetItem.h"
#include "WidgetPalette.h"

#include "platform/Clock.h"

#include <QImage>
#include <QList>
#include <QPainter>
#include <QString>

#include <optional>

class TextLine;

// Draws one timeline entry in one widget family: the share of the Cursor quota still left in big
// figures, the plan badge and the time left in the billing cycle; the larger families add token
// counts, estimated spend and the three quota percentages. Holds no state: everything is computed
// from the entry when it is laid out.
class TallyfernView
{
public:
    // `now` is the moment the figures that depend on the date (days left, prices) are taken at.
    TallyfernView(WidgetFamily family, UsageEntry entry, Timestamp now = Clock::now());

    WidgetFamily family() const { return m_family; }
    const UsageEntry& entry() const { return m_entry; }
    QSizeF size() const;

    // What the family's layout draws, in order, in points from the widget's top-left corner.
    QList<WidgetItem> panel() const;

    // The card in the palette's colours, then the layout.
    void paint(QPainter& painter, const WidgetPalette& palette) const;
    // The widget alone on a transparent image, `scale` device pixels per point.
    QImage render(const WidgetPalette& palette, double scale = 2.0) const;

    // The texts the layouts show, as pure functions of the snapshot.
    static QString percentText(const UsageSnapshot& s);
    static QString cycleShort(const UsageSnapshot& s, Timestamp now);
    static QString footer(const UsageSnapshot& s, Timestamp now);
    static QString quotaLine(const UsageSnapshot& s);
    static QString totalTokensText(const UsageSnapshot& s);
    static QString todayTokensText(const UsageSnapshot& s);
    static QString spendText(std::optional<double> usd);
    // A bar's percentage: the stored one clamped to 0…100; absent stays absent.
    static std::optional<qint64> barPercent(std::optional<qint64> stored);
    static QString barValueText(std::optional<qint64> percent);

    static constexpr double cornerRadius = 20;

private:
    QRectF contentArea() const;
    QList<WidgetItem> smallLayout() const;
    QList<WidgetItem> mediumLayout() const;
    QList<WidgetItem> largeLayout() const;
    // Appends the four metrics in two rows from `top`; returns the height used.
    double metricGrid(QList<WidgetItem>& items, double top, double valueSize, double rowSpacing) const;
    double metric(QList<WidgetItem>& items, QPointF topLeft, double width, const QString& title,
                  const QString& value, double valueSize) const;
    double compactBar(QList<WidgetItem>& items, double top, const QString& title,
                      std::optional<qint64> storedPercent) const;

    WidgetFamily m_family;
    UsageEntry m_entry;
    Timestamp m_now;
};
