#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The per-user background agent that runs "tallyfern --refresh" at login and then every 180 s, so
// the desktop widget stays current while the app is closed. Linux: a systemd user service and
// timer. macOS: a launchd agent. Every failure is ignored; the next start of the app tries again.
namespace LaunchAgent {

inline constexpr auto label = "com.local.tallyfern.refresh";
inline constexpr int intervalSeconds = 180;

// The app's setting; absent means enabled.
bool isEnabled();

// The running program's executable; a conventional install location only when that is unknown.
QString installedExecutable();

// Creates the support and settings folders (0700), writes the agent's files for
// `installedExecutable()` and (re)loads it, so that exactly one agent runs however often this is
// called.
void install();

// Unloads the agent and removes its files, whether or not they exist.
void uninstall();

// What install() writes, exposed for tests. Nothing when the path cannot be written safely into
// the file (a control character, say).

// systemd, under $XDG_CONFIG_HOME/systemd/user/ and linked from there into the user manager's own
// search path. The service carries the folders this process resolved and runs confined to them.
QString serviceFileName();
QString timerFileName();
std::optional<QByteArray> serviceUnit(const QString& executable);
QByteArray timerUnit();
// What follows "ExecStart=": the absolute executable and "--refresh", written so that systemd
// runs exactly that file whatever characters its path holds.
std::optional<QString> execStart(const QString& executable);

// launchd: <home>/Library/LaunchAgents/com.local.tallyfern.refresh.plist.
QString propertyListFileName();
std::optional<QByteArray> propertyList(const QString& executable);

} // namespace LaunchAgent
