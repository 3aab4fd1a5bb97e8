#include "WidgetPalette.h"

namespace {

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

} // namespace

QColor WidgetPalette::ink(WidgetInk ink) const
{
    switch (ink) {
    case WidgetInk::primary:
        return text;
    case WidgetInk::secondary:
        return withOpacity(text, 0.58);
    case WidgetInk::quaternary:
        return withOpacity(text, isDark() ? 0.18 : 0.12);
    case WidgetInk::fill:
        break;
    }
    return withOpacity(text, isDark() ? 0.14 : 0.08);
}

QColor WidgetPalette::outline() const
{
    return withOpacity(text, isDark() ? 0.14 : 0.1);
}

bool WidgetPalette::isDark() const
{
    return text.lightnessF() > background.lightnessF();
}

WidgetPalette WidgetPalette::fromPalette(const QPalette& palette)
{
    return WidgetPalette{palette.color(QPalette::Active, QPalette::Base),
                         palette.color(QPalette::Active, QPalette::Text)};
}

WidgetPalette WidgetPalette::light()
{
    return WidgetPalette{QColor(0xff, 0xff, 0xff), QColor(0x1d, 0x1d, 0x1f)};
}

WidgetPalette WidgetPalette::dark()
{
    return WidgetPalette{QColor(0x23, 0x23, 0x26), QColor(0xf5, 0xf5, 0xf7)};
}
