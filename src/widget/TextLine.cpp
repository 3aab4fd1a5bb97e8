#include "TextLine.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

// Line boxes are at most 1.15 em high. Fonts with CJK coverage declare far taller ones (Noto CJK:
// 1.45 em) than their glyphs fill, which would not leave the medium family room for its rows.
TextLine measure(const QString& text, const QFont& font)
{
    const QFontMetricsF metrics(font);
    const double em = font.pixelSize() > 0 ? font.pixelSize() : metrics.height();
    return TextLine{text, font, metrics.horizontalAdvance(text), std::min(metrics.ascent(), 0.92 * em),
                    std::min(metrics.descent(), 0.23 * em)};
}

} // namespace

TextLine TextLine::fit(const QString& text, const QFont& font, double maxWidth, double minScale)
{
    TextLine line = measure(text, font);
    if (line.width <= maxWidth)
        return line;

    // Whole pixel steps: layouts set pixel sizes, and a fractional one would be rounded anyway.
    const int size = font.pixelSize();
    const int smallest = std::max(1, int(std::ceil(size * minScale)));
    QFont smaller = font;
    for (int pixels = size - 1; pixels >= smallest; --pixels) {
        smaller.setPixelSize(pixels);
        line = measure(text, smaller);
        if (line.width <= maxWidth)
            return line;
    }
    const QString elided = QFontMetricsF(line.font).elidedText(text, Qt::ElideRight, std::max(0.0, maxWidth));
    return measure(elided, line.font);
}

WidgetItem TextLine::at(QPointF topLeft, const QString& name, WidgetInk ink) const
{
    WidgetItem item;
    item.kind = WidgetItem::Kind::text;
    item.name = name;
    item.rect = QRectF(topLeft, QSizeF(width, height()));
    item.ink = ink;
    item.text = text;
    item.font = font;
    item.ascent = ascent;
    return item;
}
