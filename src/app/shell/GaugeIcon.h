#pragma once

#include <QIcon>
#include <QImage>

// The app's gauge: a dial on a dark round face with a cyan arc two thirds full and a needle, drawn
// for the tray and the window at the sizes panels ask for.
namespace GaugeIcon {

inline constexpr int sizes[] = {16, 22, 24, 32, 48, 64, 128};

QIcon icon();
QImage render(int side, qreal devicePixelRatio = 1);

} // namespace GaugeIcon
