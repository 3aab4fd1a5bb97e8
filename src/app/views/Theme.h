#pragma once

#include "model/TextStyle.h"

#include <QColor>
#include <QFont>

// The dashboard window's look: a dark board with white text, Cursor's models in cyan, other paid
// models in violet. Sizes are in points, and one point is one device-independent pixel, the unit
// of every other length in the window.
namespace Theme {

// Opaque sRGB colours, created once on first use.
const QColor& boardBackground(); // behind the whole window
const QColor& cardBackground();  // the remaining-quota card
const QColor& cursorTint();      // everything about Cursor's own models, the connected plan badge
const QColor& otherTint();       // everything about other (paid) models
const QColor& grokTint();        // orange at 90 %: the Grok bot's weekly quota
const QColor& warningTint();     // the system orange: a quota running out, in the window and the tray

// Every other colour in the window is white at some opacity on top of the board.
QColor white(double opacity);

// The shared text styles, at their macOS sizes.
using ::TextStyle;
double pointSize(TextStyle style);

// The system font in a text style, at the style's own weight (headline is bold) or the given one.
QFont font(TextStyle style);
QFont font(TextStyle style, QFont::Weight weight);

// The system font at a fixed size.
QFont systemFont(double points, QFont::Weight weight = QFont::Normal);

// A fixed-pitch font in a text style (the cookie paste field).
QFont monospacedFont(TextStyle style);

// The application font with the Simplified Chinese families (ChineseFonts) behind the system's, so
// that every widget without a font of its own draws Chinese in its Chinese forms too.
void installApplicationFont();

// Scales a font's size (used by labels that shrink to fit), never below one pixel.
QFont scaled(const QFont& font, double factor);

} // namespace Theme
