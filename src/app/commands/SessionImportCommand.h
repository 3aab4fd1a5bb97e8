#pragma once

#include <QDateTime>
#include <QString>

// "tallyfern --import-session": takes over the Cursor editor's login once and turns following on,
// without a window and without refreshing. Being the user's own command, it may unlock the keyring.
namespace SessionImportCommand {

// Prints the outcome (one line on stdout, or the reason on stderr) and returns the exit status:
// 0 when the login was stored, 1 otherwise.
int run(int& argc, char** argv);

// The success line: the user id and the local time the login ends; never the token.
QString successLine(const QString& userId, const QDateTime& expiresAt);

} // namespace SessionImportCommand
