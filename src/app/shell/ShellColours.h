#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

// Colours of the controls the window paints itself. They come from the widget's palette, so the
// same control looks right on the dark board (the window's palette) and in the cookie sheet (the
// platform's palette).
namespace ShellColours {

// Prominent buttons and switched-on switches: the system blue as it reads on a dark appearance.
const QColor& accent();

// The board's palette: white text, faint white controls and the accent for highlights.
QPalette boardPalette(QPalette base);

// Whether the palette draws light text on a dark window.
bool isDark(const QPalette& palette);

// The palette's text colour at an opacity: secondary text (50 %), faint fills (6 %).
QColor primary(const QPalette& palette, double opacity);

// Destructive buttons' text: the system red in the palette's appearance.
QColor destructive(const QPalette& palette);

// The style sheet of a `type` field on the dark board (a faint fill, white text, no frame), with
// `extra` properties: the platform's light field would stand out there as a white block.
QString darkField(const QString& type, const QString& extra = {});

// Controls draw a focus ring only when the keyboard moved the focus to them, as the platform does.
bool showsFocusRing(Qt::FocusReason reason);

} // namespace ShellColours
