#pragma once

#include <QList>
#include <QSizeF>
#include <QString>

#include <optional>

// The three sizes the widget comes in, as on the desktop of the platform the design follows.
enum class WidgetFamily { small, medium, large };

namespace WidgetFamilies {

inline const QList<WidgetFamily> all{WidgetFamily::small, WidgetFamily::medium, WidgetFamily::large};

// "small", "medium", "large": the settings value and the command-line word.
QString name(WidgetFamily family);
std::optional<WidgetFamily> fromName(const QString& name);

// In device-independent pixels (points): 170 × 170, 364 × 170, 364 × 382.
QSizeF size(WidgetFamily family);

} // namespace WidgetFamilies
