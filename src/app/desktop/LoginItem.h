#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The XDG autostart entry that starts "tallyfern --background" at login, so that the tray comes
// back after a reboot. Off by default; the settings page switches it. TryExec= keeps the entry
// harmless once the program is gone.
namespace LoginItem {

// What the entry starts the app with: into the tray, without the window.
inline constexpr auto backgroundArgument = "--background";

// The app's setting; absent means off.
bool isEnabled();

// $XDG_CONFIG_HOME/autostart/com.local.tallyfern.desktop: the same name as the app's own entry.
QString fileName();

// The entry for `executable`; nothing when the path is not absolute or holds a control character.
std::optional<QByteArray> entry(const QString& executable);

// Writes the entry for LaunchAgent::installedExecutable(); removes it. Failures are ignored.
void install();
void uninstall();

} // namespace LoginItem
