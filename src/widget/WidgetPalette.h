#pragma once

#include <QColor>
#include <QPalette>

// The hierarchical styles the layouts draw with. All are the text colour at some opacity, so the
// widget follows the desktop's light or dark palette.
enum class WidgetInk {
    primary,    // full
    secondary,  // captions and labels
    quaternary, // bar tracks
    fill,       // the plan badge
};

struct WidgetPalette
{
    QColor background;
    QColor text;

    bool operator==(const WidgetPalette&) const = default;

    QColor ink(WidgetInk ink) const;
    // A hairline around the card, so a light card still stands out on a light desktop.
    QColor outline() const;
    bool isDark() const;

    // The desktop's palette: its base colour behind its text colour.
    static WidgetPalette fromPalette(const QPalette& palette);
    static WidgetPalette light();
    static WidgetPalette dark();
};
