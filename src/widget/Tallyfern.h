#pragma once

#include "WidgetFamily.h"

#include <QList>

// The widget as the desktop knows it.
namespace Tallyfern {

inline constexpr auto kind = "Tallyfern";
inline constexpr auto displayName = "Tallyfern";
inline constexpr auto description = "显示本机保存的 Cursor token 余量和账期。";
inline const QList<WidgetFamily> supportedFamilies = WidgetFamilies::all;

} // namespace Tallyfern
