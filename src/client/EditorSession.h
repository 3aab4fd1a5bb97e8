#pragma once

#include "platform/Timestamp.h"

#include <QString>

// The login the Cursor editor keeps in its own state database: read in place, read-only, one row,
// and turned into the session token the dashboard expects. Nothing is written or copied.
namespace EditorSession {

// A usable login taken from the editor.
struct Login
{
    QString token;  // "<userId>::<jwt>", what the cookie normaliser makes of a pasted cookie
    QString userId; // the part of the JWT's `sub` after its last '|'
    Timestamp expiresAt;
};

// Values above this size are refused without being read.
inline constexpr qint64 maximumValueBytes = 64 * 1024;
// A token that ends within this many seconds counts as expired already.
inline constexpr double expiryMarginSeconds = 60;

// <config>/Cursor/User/globalStorage/state.vscdb, or the path a test set.
QString databasePath();
// An empty path restores the editor's own location.
void setDatabasePath(const QString& path);

// Whether the database file is there; nothing is opened.
bool databaseExists();

// The editor's current login, valid for more than a minute after `Clock::now()`, read from an
// ordinary ItemTable within about a second whatever the file holds. Throws EditorSessionError
// (noDatabase, signedOut, expired, unreadable, timedOut or malformed).
Login read();

} // namespace EditorSession
