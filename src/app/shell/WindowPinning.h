#pragma once

class QWidget;

// Keeps a window above all others while it is pinned.
namespace WindowPinning {

// Sets or clears the stays-on-top hint of a top-level widget. A shown window is changed through its
// native window, so it is not hidden and shown again as QWidget::setWindowFlag() would do.
void apply(QWidget* window, bool pinned);

bool isPinned(const QWidget* window);

} // namespace WindowPinning
