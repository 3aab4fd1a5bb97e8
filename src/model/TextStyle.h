#pragma once

// The text styles the window and the widget name, after the platform styles whose sizes they borrow.
// Each surface gives a style its own size and weight (Theme for the window, WidgetFonts for the
// widget); the names are shared so that a style means the same role wherever it is drawn.
enum class TextStyle { title2, title3, headline, subheadline, body, footnote, caption, caption2 };
