#include "TallyfernView.h"

#include "TextLine.h"
#include "WidgetFonts.h"
#include "WidgetPlanBadge.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Room between neighbours in a row when a layout names none.
constexpr double rowGap = 6;

WidgetItem capsule(const QString& name, const QRectF& rect, WidgetInk ink, const QRectF& clip = {})
{
    WidgetItem item;
    item.kind = WidgetItem::Kind::capsule;
    item.name = name;
    item.rect = rect;
    item.ink = ink;
    item.clip = clip;
    return item;
}

// Places lines side by side on one baseline; returns the row's height.
double baselineRow(QList<WidgetItem>& items, QPointF topLeft,
                   const QList<std::pair<TextLine, QString>>& lines, const QList<WidgetInk>& inks, double gap)
{
    double ascent = 0;
    double descent = 0;
    for (const auto& [line, name] : lines) {
        ascent = std::max(ascent, line.ascent);
        descent = std::max(descent, line.descent);
    }
    double x = topLeft.x();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const TextLine& line = lines[i].first;
        items.append(line.at({x, topLeft.y() + ascent - line.ascent}, lines[i].second, inks[i]));
        x += line.width + gap;
    }
    return ascent + descent;
}

// Content inset from the card's edge, per family.
double paddingOf(WidgetFamily family)
{
    return family == WidgetFamily::large ? 16 : 14;
}

} // namespace

TallyfernView::TallyfernView(WidgetFamily family, UsageEntry entry, Timestamp now)
    : m_family(family)
    , m_entry(std::move(entry))
    , m_now(now)
{}

QSizeF TallyfernView::size() const
{
    return WidgetFamilies::size(m_family);
}

QRectF TallyfernView::contentArea() const
{
    const double padding = paddingOf(m_family);
    return QRectF(QPointF(0, 0), size()).adjusted(padding, padding, -padding, -padding);
}

QList<WidgetItem> TallyfernView::panel() const
{
    switch (m_family) {
    case WidgetFamily::small:
        return smallLayout();
    case WidgetFamily::medium:
        return mediumLayout();
    case WidgetFamily::large:
        break;
    }
    return largeLayout();
}

QList<WidgetItem> TallyfernView::smallLayout() const
{
    const UsageSnapshot& s = m_entry.snapshot;
    const QRectF area = contentArea();
    const double spacing = 3;
    QList<WidgetItem> items;
    double y = area.top();

    // "用量" and the plan badge, pushed apart.
    const TextLine title =
        TextLine::fit(u"用量"_s, WidgetFonts::style(TextStyle::subheadline, QFont::DemiBold));
    const WidgetPlanBadge badge(s.planTitle(), 11, area.width() - title.width - 4);
    const double rowHeight = std::max(title.height(), badge.size().height());
    items.append(
        title.at({area.left(), y + (rowHeight - title.height()) / 2}, u"title"_s, WidgetInk::primary));
    items += badge.items({area.right() - badge.size().width(), y + (rowHeight - badge.size().height()) / 2});
    y += rowHeight + spacing;

    const TextLine percent =
        TextLine::fit(percentText(s), WidgetFonts::system(28, QFont::Bold), area.width(), 0.7);
    items.append(percent.at({area.left(), y}, u"percent"_s, WidgetInk::primary));
    y += percent.height() + spacing;

    const TextLine caption =
        TextLine::fit(u"剩余 · Cursor"_s, WidgetFonts::style(TextStyle::caption2), area.width());
    items.append(caption.at({area.left(), y}, u"percent.caption"_s, WidgetInk::secondary));
    y += caption.height() + spacing;

    const TextLine totalLabel = TextLine::fit(u"总消耗"_s, WidgetFonts::style(TextStyle::caption2));
    const TextLine total =
        TextLine::fit(totalTokensText(s), WidgetFonts::style(TextStyle::subheadline, QFont::DemiBold),
                      area.width() - totalLabel.width - rowGap);
    y += baselineRow(items, {area.left(), y}, {{totalLabel, u"total.title"_s}, {total, u"total.value"_s}},
                     {WidgetInk::secondary, WidgetInk::primary}, rowGap) +
         spacing;

    const TextLine cycle =
        TextLine::fit(cycleShort(s, m_now), WidgetFonts::style(TextStyle::caption2), area.width(), 0.8);
    items.append(cycle.at({area.left(), y}, u"cycle"_s, WidgetInk::secondary));
    return items;
}

QList<WidgetItem> TallyfernView::mediumLayout() const
{
    const UsageSnapshot& s = m_entry.snapshot;
    const QRectF area = contentArea();
    const double spacing = 5;
    QList<WidgetItem> items;
    double y = area.top();

    // "用量", the badge, and the cycle line flush right.
    const TextLine title =
        TextLine::fit(u"用量"_s, WidgetFonts::style(TextStyle::subheadline, QFont::DemiBold));
    const QString cycleText = cycleShort(s, m_now);
    const QFont cycleFont = WidgetFonts::style(TextStyle::caption2);
    // The badge goes first, but leaves the cycle line room for a few characters.
    const double cycleReserve = std::min(TextLine::fit(cycleText, cycleFont).width, area.width() * 0.35);
    const WidgetPlanBadge badge(s.planTitle(), 11, area.width() - title.width - 2 * rowGap - cycleReserve);
    const double cycleWidth = area.width() - title.width - badge.size().width() - 2 * rowGap;
    const TextLine cycle = TextLine::fit(cycleText, cycleFont, cycleWidth, 0.8);
    const double rowHeight = std::max({title.height(), badge.size().height(), cycle.height()});
    items.append(
        title.at({area.left(), y + (rowHeight - title.height()) / 2}, u"title"_s, WidgetInk::primary));
    items += badge.items({area.left() + title.width + rowGap, y + (rowHeight - badge.size().height()) / 2});
    items.append(cycle.at({area.right() - cycle.width, y + (rowHeight - cycle.height()) / 2}, u"cycle"_s,
                          WidgetInk::secondary));
    y += rowHeight + spacing;

    const TextLine percent =
        TextLine::fit(percentText(s), WidgetFonts::system(28, QFont::Bold), area.width() / 2, 0.7);
    const TextLine caption =
        TextLine::fit(u"剩余 · Cursor"_s, WidgetFonts::style(TextStyle::subheadline, QFont::DemiBold),
                      area.width() - percent.width - 8);
    y += baselineRow(items, {area.left(), y}, {{percent, u"percent"_s}, {caption, u"percent.caption"_s}},
                     {WidgetInk::primary, WidgetInk::primary}, 8) +
         spacing;

    y += metricGrid(items, y, 17, 3) + spacing;

    const TextLine quota = TextLine::fit(quotaLine(s), WidgetFonts::style(TextStyle::caption2), area.width());
    items.append(quota.at({area.left(), y}, u"quota"_s, WidgetInk::secondary));
    return items;
}

QList<WidgetItem> TallyfernView::largeLayout() const
{
    const UsageSnapshot& s = m_entry.snapshot;
    const QRectF area = contentArea();
    const double spacing = 8;
    QList<WidgetItem> items;
    double y = area.top();

    const TextLine title = TextLine::fit(u"Tallyfern"_s, WidgetFonts::style(TextStyle::headline));
    const WidgetPlanBadge badge(s.planTitle(), 13, area.width() - title.width - 8);
    const double rowHeight = std::max(title.height(), badge.size().height());
    items.append(
        title.at({area.left(), y + (rowHeight - title.height()) / 2}, u"title"_s, WidgetInk::primary));
    items += badge.items({area.right() - badge.size().width(), y + (rowHeight - badge.size().height()) / 2});
    y += rowHeight + spacing;

    // The big figure beside a column of its caption over the cycle line.
    const TextLine percent =
        TextLine::fit(percentText(s), WidgetFonts::system(36, QFont::Bold), area.width() / 2, 0.7);
    const double columnLeft = area.left() + percent.width + 10;
    const double columnWidth = area.right() - columnLeft;
    const TextLine caption = TextLine::fit(
        u"剩余 · Cursor 模型"_s, WidgetFonts::style(TextStyle::subheadline, QFont::DemiBold), columnWidth);
    const TextLine cycle =
        TextLine::fit(cycleShort(s, m_now), WidgetFonts::style(TextStyle::caption), columnWidth, 0.8);
    const double columnHeight = caption.height() + 2 + cycle.height();
    const double heroHeight = std::max(percent.height(), columnHeight);
    items.append(
        percent.at({area.left(), y + (heroHeight - percent.height()) / 2}, u"percent"_s, WidgetInk::primary));
    const double columnTop = y + (heroHeight - columnHeight) / 2;
    items.append(caption.at({columnLeft, columnTop}, u"percent.caption"_s, WidgetInk::primary));
    items.append(cycle.at({columnLeft, columnTop + caption.height() + 2}, u"cycle"_s, WidgetInk::secondary));
    y += heroHeight + spacing;

    y += metricGrid(items, y, 22, 10) + spacing;

    const TextLine quota = TextLine::fit(quotaLine(s), WidgetFonts::style(TextStyle::caption), area.width());
    items.append(quota.at({area.left(), y}, u"quota"_s, WidgetInk::secondary));
    y += quota.height() + spacing;

    y += compactBar(items, y, u"Cursor"_s, s.cursorModelsPercent) + spacing;
    y += compactBar(items, y, u"其他"_s, s.otherModelsPercent) + spacing;
    y += compactBar(items, y, u"Grok"_s, s.grokWeeklyPercent) + spacing;

    const TextLine footerLine =
        TextLine::fit(footer(s, m_now), WidgetFonts::style(TextStyle::caption), area.width());
    items.append(footerLine.at({area.left(), y}, u"footer"_s, WidgetInk::secondary));
    return items;
}

double TallyfernView::metricGrid(QList<WidgetItem>& items, double top, double valueSize,
                                 double rowSpacing) const
{
    const UsageSnapshot& s = m_entry.snapshot;
    const QRectF area = contentArea();
    const double gap = 12;
    const double cellWidth = (area.width() - gap) / 2;
    const double right = area.left() + cellWidth + gap;

    // One statement per cell: the left cell is drawn before the right one.
    double y = top;
    const double todayHeight =
        metric(items, {area.left(), y}, cellWidth, u"今日 token"_s, todayTokensText(s), valueSize);
    const double monthHeight =
        metric(items, {right, y}, cellWidth, u"本月 token"_s, totalTokensText(s), valueSize);
    y += std::max(todayHeight, monthHeight) + rowSpacing;
    const double cursorHeight = metric(items, {area.left(), y}, cellWidth, u"Cursor 基础"_s,
                                       spendText(s.sourceUSD(TokenSource::cursor, m_now)), valueSize);
    const double otherHeight = metric(items, {right, y}, cellWidth, u"高级模型"_s,
                                      spendText(s.sourceUSD(TokenSource::other, m_now)), valueSize);
    y += std::max(cursorHeight, otherHeight);
    return y - top;
}

double TallyfernView::metric(QList<WidgetItem>& items, QPointF topLeft, double width, const QString& title,
                             const QString& value, double valueSize) const
{
    const TextLine titleLine = TextLine::fit(title, WidgetFonts::style(TextStyle::caption2), width);
    const TextLine valueLine =
        TextLine::fit(value, WidgetFonts::system(valueSize, QFont::DemiBold), width, 0.75);
    items.append(titleLine.at(topLeft, u"metric."_s + title + u".title"_s, WidgetInk::secondary));
    items.append(valueLine.at(topLeft + QPointF(0, titleLine.height() + 1),
                              u"metric."_s + title + u".value"_s, WidgetInk::primary));
    return titleLine.height() + 1 + valueLine.height();
}

double TallyfernView::compactBar(QList<WidgetItem>& items, double top, const QString& title,
                                 std::optional<qint64> storedPercent) const
{
    const QRectF area = contentArea();
    const double titleWidth = 48;
    const double valueWidth = 32;
    const double trackHeight = 6;
    const std::optional<qint64> percent = barPercent(storedPercent);

    const QFont font = WidgetFonts::style(TextStyle::caption);
    const TextLine titleLine = TextLine::fit(title, font, titleWidth);
    const TextLine valueLine = TextLine::fit(barValueText(percent), font, valueWidth);
    const double rowHeight = std::max({titleLine.height(), valueLine.height(), trackHeight});
    const QString name = u"bar."_s + title;

    items.append(titleLine.at({area.left(), top + (rowHeight - titleLine.height()) / 2}, name + u".title"_s,
                              WidgetInk::secondary));
    const double trackLeft = area.left() + titleWidth + rowGap;
    const double trackRight = area.right() - valueWidth - rowGap;
    const QRectF track(trackLeft, top + (rowHeight - trackHeight) / 2, trackRight - trackLeft, trackHeight);
    items.append(capsule(name + u".track"_s, track, WidgetInk::quaternary));
    // The fill's share of the track is the percentage itself.
    const double share = double(percent.value_or(0)) / 100.0;
    if (share > 0) {
        items.append(capsule(name + u".fill"_s,
                             QRectF(track.topLeft(), QSizeF(track.width() * share, trackHeight)),
                             WidgetInk::primary, track));
    }
    // Centred in its fixed width.
    const double valueLeft = area.right() - valueWidth + (valueWidth - valueLine.width) / 2;
    items.append(valueLine.at({valueLeft, top + (rowHeight - valueLine.height()) / 2}, name + u".value"_s,
                              WidgetInk::secondary));
    return rowHeight;
}

void TallyfernView::paint(QPainter& painter, const WidgetPalette& palette) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF card = QRectF(QPointF(0, 0), size()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(palette.outline(), 1));
    painter.setBrush(palette.background);
    painter.drawRoundedRect(card, cornerRadius, cornerRadius);

    for (const WidgetItem& item : panel()) {
        if (item.kind == WidgetItem::Kind::capsule) {
            painter.save();
            if (!item.clip.isEmpty()) {
                QPainterPath clip;
                clip.addRoundedRect(item.clip, item.clip.height() / 2, item.clip.height() / 2);
                painter.setClipPath(clip);
            }
            painter.setPen(Qt::NoPen);
            painter.setBrush(palette.ink(item.ink));
            const double radius = std::min(item.rect.height(), item.rect.width()) / 2;
            painter.drawRoundedRect(item.rect, radius, radius);
            painter.restore();
        } else {
            painter.setFont(item.font);
            painter.setPen(palette.ink(item.ink));
            painter.drawText(QPointF(item.rect.left(), item.rect.top() + item.ascent), item.text);
        }
    }
    painter.restore();
}

QImage TallyfernView::render(const WidgetPalette& palette, double scale) const
{
    const QSize pixels = (size() * scale).toSize();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, palette);
    painter.end();
    return image;
}
