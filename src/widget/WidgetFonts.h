#pragma once

#include <QFont>
#include <QStringList>

// The text styles the layouts name, on the system's font. Sizes are in device-independent pixels
// (points), like the widget's own size, so a layout fits whatever the screen's dots per inch.
enum class TextStyle { caption2, caption, subheadline, headline };

namespace WidgetFonts {

// Simplified Chinese families, most common first. Without them in the font's family list, font
// fallback under a C or English locale picks the Japanese glyph variants of Noto CJK.
QStringList chineseFamilies();

// Puts the Simplified Chinese families behind the system family in the application font.
void installApplicationFont();

// The application font at the style's size and weight.
QFont style(TextStyle style, QFont::Weight weight = QFont::Normal);

// The application font at `size` points. The platform has no rounded design and no
// monospaced-digit variant to ask for; the usual desktop families draw tabular digits anyway.
QFont system(double size, QFont::Weight weight = QFont::Normal);

} // namespace WidgetFonts
