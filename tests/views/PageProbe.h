#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

// What the user sees of a page, read back from its widgets.
namespace PageProbe {

// Shows the widget at the size (offscreen) and lets every pending layout settle.
void showAt(QWidget* widget, int width, int height);
void settle();

// The texts of the visible labels under the widget, in reading order of construction.
QStringList visibleTexts(const QWidget* root);

// Where a widget lies in the root's coordinates.
QRect geometryIn(const QWidget* widget, const QWidget* root);

// The first visible label under the root whose text equals the text, or null.
QWidget* labelWithText(const QWidget* root, const QString& text);

// With TALLYFERN_SCREENSHOT_DIR set, saves the page at the width as `name`.png, tall enough to show
// all of its content, drawn on the board at twice the resolution.
void saveScreenshot(QWidget* page, int width, const QString& name);

} // namespace PageProbe
