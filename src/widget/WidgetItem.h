#pragma once

#include "WidgetPalette.h"

#include <QFont>
#include <QRectF>
#include <QString>

// One thing a layout draws: a line of text or a capsule. Layouts produce a list of these and the
// painter draws the list, so what a layout shows can be checked without looking at pixels.
struct WidgetItem
{
    enum class Kind { text, capsule };

    Kind kind = Kind::text;
    QString name; // the building block it belongs to, such as "percent" or "bar.Cursor.fill"
    QRectF rect;  // text: the line box, baseline at top + ascent
    WidgetInk ink = WidgetInk::primary;
    QString text;
    QFont font;
    double ascent = 0;
    QRectF clip; // capsule: the capsule it is clipped to (a bar's fill to its track); empty for none
};
