#pragma once

#include "WidgetItem.h"

#include <QFont>
#include <QPointF>
#include <QString>

#include <limits>

// One line of text measured in its font, fitted to a width: the font shrinks down to the given
// share of its size, and what still does not fit is elided.
struct TextLine
{
    QString text;
    QFont font;
    double width = 0;
    double ascent = 0;
    double descent = 0;

    double height() const { return ascent + descent; }

    static TextLine fit(const QString& text, const QFont& font,
                        double maxWidth = std::numeric_limits<double>::infinity(), double minScale = 1.0);

    // The line placed with its box's top-left corner at `topLeft`.
    WidgetItem at(QPointF topLeft, const QString& name, WidgetInk ink) const;
};
