#pragma once

#include <QSettings>
#include <QString>

#include <memory>

// The settings domain of one executable: "Tallyfern" for the app, "TallyfernWidget" for the widget.
namespace Settings {

inline constexpr auto appDomain = "Tallyfern";
inline constexpr auto widgetDomain = "TallyfernWidget";

// Native format, organisation "Tallyfern". On Linux that is an INI file under the XDG config home,
// resolved on every call (Qt remembers the config folder for the whole process otherwise).
std::unique_ptr<QSettings> open(const QString& application);
// The same settings for a reader that never writes them (the status line): creates nothing.
std::unique_ptr<QSettings> openForReading(const QString& application);

} // namespace Settings
