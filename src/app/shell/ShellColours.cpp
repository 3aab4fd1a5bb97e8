#include "ShellColours.h"

#include "app/views/Theme.h"

#include <algorithm>

const QColor& ShellColours::accent()
{
    static const QColor colour(10, 132, 255);
    return colour;
}

QPalette ShellColours::boardPalette(QPalette palette)
{
    const QColor white = Theme::white(1);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, Theme::boardBackground());
        palette.setColor(group, QPalette::WindowText, white);
        palette.setColor(group, QPalette::Text, white);
        palette.setColor(group, QPalette::Base, Qt::transparent);
        palette.setColor(group, QPalette::Button, Theme::white(0.14));
        palette.setColor(group, QPalette::ButtonText, white);
        palette.setColor(group, QPalette::Highlight, accent());
        palette.setColor(group, QPalette::HighlightedText, white);
        palette.setColor(group, QPalette::PlaceholderText, Theme::white(0.35));
        palette.setColor(group, QPalette::ToolTipBase, Theme::cardBackground());
        palette.setColor(group, QPalette::ToolTipText, white);
    }
    return palette;
}

bool ShellColours::isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor ShellColours::primary(const QPalette& palette, double opacity)
{
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(float(std::clamp(opacity, 0.0, 1.0) * colour.alphaF()));
    return colour;
}

QColor ShellColours::destructive(const QPalette& palette)
{
    return isDark(palette) ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

QString ShellColours::darkField(const QString& type, const QString& extra)
{
    using namespace Qt::StringLiterals;
    return u"%1 { background: rgba(255, 255, 255, 0.08); color: white; border: none; border-radius: 6px;"
           u" padding: 4px 8px;%2 }"_s.arg(type, extra);
}

bool ShellColours::showsFocusRing(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason;
}
