#include "WindowPinning.h"

#include <QWidget>
#include <QWindow>

void WindowPinning::apply(QWidget* window, bool pinned)
{
    if (!window || !window->isWindow())
        return;
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, pinned);
    // The widget's own record of its flags, without a round trip through the window system (that
    // would hide the window); the native window gets the change below, or at its creation.
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle())
        handle->setFlag(Qt::WindowStaysOnTopHint, pinned);
}

bool WindowPinning::isPinned(const QWidget* window)
{
    if (const QWindow* handle = window->windowHandle())
        return handle->flags().testFlag(Qt::WindowStaysOnTopHint);
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}
