#pragma once

#include <QString>

// Asks the desktop widget to build a new timeline now. The widget runs in its own process and
// watches the support folder; this replaces a small marker file there (atomically, so the watcher
// sees a rename). Failures are ignored: the widget reloads on its own schedule anyway.
namespace WidgetCenter {

inline constexpr auto markerName = "reload-timelines";

QString markerFileName();

void reloadAllTimelines();

} // namespace WidgetCenter
