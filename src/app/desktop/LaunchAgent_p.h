#pragma once

#include <QString>
#include <QStringList>

// Shared by the platform's own LaunchAgent file (LaunchAgent_systemd.cpp, LaunchAgent_launchd.cpp).
namespace LaunchAgent::detail {

// Runs the user manager's command to its end; the status is of no use to the agent.
void run(const QString& program, const QStringList& arguments);

// Where the app is conventionally installed, for when the running executable is unknown.
QString conventionalExecutable();

} // namespace LaunchAgent::detail
