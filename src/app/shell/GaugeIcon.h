#pragma once

#include <QIcon>
#include <QImage>

// The app's gauge: a dial on a dark round face with an arc two thirds full and a needle, drawn for
// the tray and the window at the sizes panels ask for. The arc is cyan, or orange as a warning
// when a quota runs low.
namespace GaugeIcon {

enum class Tint { normal, warning };

// Pixel sizes, each drawn on its own rather than scaled from another: the strokes stay crisp at
// the panels' 16 to 48, and a panel at twice the scale finds its doubled size here too.
inline constexpr int sizes[] = {16, 22, 24, 32, 44, 48, 64, 96, 128, 256};

QIcon icon(Tint tint = Tint::normal);
QImage render(int side, qreal devicePixelRatio = 1, Tint tint = Tint::normal);
QColor arcColour(Tint tint);

} // namespace GaugeIcon
