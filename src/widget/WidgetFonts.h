#pragma once

#include "model/TextStyle.h"

#include <QFont>

// The widget's text styles, on the system's font. Sizes are in device-independent pixels (points),
// like the widget's own size, so a layout fits whatever the screen's dots per inch.
namespace WidgetFonts {

// Puts the Simplified Chinese families (ChineseFonts) right behind the system family in the
// application font.
void installApplicationFont();

// The application font at the style's size and weight. The layouts name the small styles and
// headline; the larger ones are the headline's size.
QFont style(TextStyle style, QFont::Weight weight = QFont::Normal);

// The application font at `size` points. The platform has no rounded design and no
// monospaced-digit variant to ask for; the usual desktop families draw tabular digits anyway.
QFont system(double size, QFont::Weight weight = QFont::Normal);

} // namespace WidgetFonts
